#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvane::helper {

// What the helper accepts before it touches anything: which paths lie strictly inside the
// protected locations, written plainly, and which words are Debian package names. Pure text
// checks; the walk on disk that follows is the helper's own.
class HelperPolicy {
public:
    explicit HelperPolicy(std::vector<std::string> protectedLocations);

    struct Verdict {
        bool ok = false;
        std::string reason;      // why not, for the user
        std::string normalized;  // the path with doubled and trailing slashes removed
    };

    // An absolute path, without "." or ".." components, strictly inside one protected location
    // (never the location itself).
    Verdict checkPath(std::string_view path) const;

    // Debian's grammar: lower-case letters, digits, '+', '-' and '.', at least two characters,
    // starting with a letter or digit; optionally ":<architecture>".
    static bool isDebianPackageName(std::string_view name);

    const std::vector<std::string>& protectedLocations() const { return locations_; }

private:
    std::vector<std::string> locations_;
};

}  // namespace orvane::helper
