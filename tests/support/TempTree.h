#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::testing {

// A real folder under the system temp dir, removed (permissions restored first) when the
// fixture goes. Paths given to the helpers are relative to root().
class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& root() const { return root_; }
    std::string path(std::string_view rel) const;

    // Creates parent folders as needed; returns the absolute path.
    std::string file(std::string_view rel, std::string_view content = {});
    // A file of `size` bytes whose content is `seed` repeated (cheap, deterministic).
    std::string fileOfSize(std::string_view rel, std::uint64_t size, char seed = 'x');
    // A sparse file of `size` bytes (no blocks written).
    std::string sparseFile(std::string_view rel, std::uint64_t size);
    // An executable shell script running `body`, as a stand-in for a tool.
    std::string script(std::string_view rel, std::string_view body);
    std::string dir(std::string_view rel);
    std::string symlink(std::string_view target, std::string_view rel);
    std::string hardlink(std::string_view existingRel, std::string_view rel);
    void chmod(std::string_view rel, mode_t mode);
    // Sets access and modification times to `seconds` since 1970.
    void setMtime(std::string_view rel, double seconds);
    std::string read(std::string_view rel) const;
    // Below `rel`, a chain of folders deep enough that the file `leaf` at its end has a path of
    // at least PATH_MAX bytes (made with *at() calls, as no path call can name it); returns the
    // first folder of the chain.
    std::string deepChain(std::string_view rel, std::string_view leaf, std::string_view content);
    bool exists(std::string_view rel) const;

private:
    std::string root_;
};

// The whole content of the file at `path`, byte for byte (empty when it cannot be read).
std::string readFile(const std::string& path);

// Sets HOME and the XDG variables to folders inside a TempTree for the lifetime of the object,
// restoring the previous values after, so code under test never touches the real home.
class ScopedHome {
public:
    explicit ScopedHome(TempTree& tree, std::string_view rel = "home");
    ~ScopedHome();
    const std::string& home() const { return home_; }

private:
    std::string home_;
    std::string saved_[6];
    bool had_[6] = {};
};

}  // namespace orvane::testing
