#include "support/TempTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace orvane::testing {

namespace {

// Removes what `name` names below the open folder `parent`, by descriptors all the way down, so
// trees whose paths are too long for path calls go too.
void removeAt(int parent, const char* name) {
    if (::unlinkat(parent, name, 0) == 0) return;
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    ::fchmod(fd, 0755);
    if (DIR* dir = ::fdopendir(::dup(fd))) {
        std::vector<std::string> names;
        while (const dirent* d = ::readdir(dir))
            if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0)
                names.emplace_back(d->d_name);
        ::closedir(dir);
        for (const auto& child : names) removeAt(fd, child.c_str());
    }
    ::close(fd);
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

}  // namespace

TempTree::TempTree() {
    std::string tmpl = (fs::temp_directory_path() / "orvane-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    root_ = tmpl;
}

TempTree::~TempTree() {
    std::error_code ec;
    // Restore write and search bits so fixtures with locked folders can be removed.
    for (auto it = fs::recursive_directory_iterator(
             root_, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink(ec) && it->is_directory(ec)) ::chmod(it->path().c_str(), 0755);
    }
    ::chmod(root_.c_str(), 0755);
    fs::remove_all(root_, ec);
    if (::access(root_.c_str(), F_OK) == 0) removeAt(AT_FDCWD, root_.c_str());
}

std::string TempTree::deepChain(std::string_view rel, std::string_view leaf,
                                std::string_view content) {
    const std::string first = dir(rel);
    const std::string segment(200, 'd');
    int fd = ::open(first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::size_t length = first.size();
    while (length + 1 + leaf.size() < PATH_MAX) {
        ::mkdirat(fd, segment.c_str(), 0755);
        const int next = ::openat(fd, segment.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        if (next < 0) throw std::runtime_error("cannot make a deep folder chain");
        fd = next;
        length += 1 + segment.size();
    }
    const int out = ::openat(fd, std::string(leaf).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 ||
        ::write(out, content.data(), content.size()) != static_cast<ssize_t>(content.size()))
        throw std::runtime_error("cannot write at the end of a deep folder chain");
    ::close(out);
    ::close(fd);
    return first;
}

std::string TempTree::path(std::string_view rel) const {
    if (rel.empty()) return root_;
    return root_ + "/" + std::string(rel);
}

std::string TempTree::dir(std::string_view rel) {
    std::string p = path(rel);
    fs::create_directories(p);
    return p;
}

std::string TempTree::file(std::string_view rel, std::string_view content) {
    std::string p = path(rel);
    fs::create_directories(fs::path(p).parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) throw std::runtime_error("cannot write " + p);
    return p;
}

std::string TempTree::script(std::string_view rel, std::string_view body) {
    std::string p = file(rel, "#!/bin/sh\n" + std::string(body) + "\n");
    ::chmod(p.c_str(), 0755);
    return p;
}

std::string TempTree::fileOfSize(std::string_view rel, std::uint64_t size, char seed) {
    std::string p = path(rel);
    fs::create_directories(fs::path(p).parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    std::string block(64 * 1024, seed);
    for (std::uint64_t left = size; left > 0;) {
        auto n = static_cast<std::streamsize>(std::min<std::uint64_t>(left, block.size()));
        out.write(block.data(), n);
        left -= static_cast<std::uint64_t>(n);
    }
    if (!out) throw std::runtime_error("cannot write " + p);
    return p;
}

std::string TempTree::sparseFile(std::string_view rel, std::uint64_t size) {
    std::string p = path(rel);
    fs::create_directories(fs::path(p).parent_path());
    int fd = ::open(p.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        if (fd >= 0) ::close(fd);
        throw std::runtime_error("cannot make sparse " + p);
    }
    ::close(fd);
    return p;
}

std::string TempTree::symlink(std::string_view target, std::string_view rel) {
    std::string p = path(rel);
    fs::create_directories(fs::path(p).parent_path());
    fs::create_symlink(std::string(target), p);
    return p;
}

std::string TempTree::hardlink(std::string_view existingRel, std::string_view rel) {
    std::string p = path(rel);
    fs::create_directories(fs::path(p).parent_path());
    fs::create_hard_link(path(existingRel), p);
    return p;
}

void TempTree::chmod(std::string_view rel, mode_t mode) { ::chmod(path(rel).c_str(), mode); }

void TempTree::setMtime(std::string_view rel, double seconds) {
    timespec ts[2];
    ts[0].tv_sec = ts[1].tv_sec = static_cast<time_t>(seconds);
    ts[0].tv_nsec = ts[1].tv_nsec = 0;
    ::utimensat(AT_FDCWD, path(rel).c_str(), ts, AT_SYMLINK_NOFOLLOW);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string TempTree::read(std::string_view rel) const { return readFile(path(rel)); }

bool TempTree::exists(std::string_view rel) const {
    struct stat st {};
    return ::lstat(path(rel).c_str(), &st) == 0;
}

namespace {
const char* kVars[6] = {"HOME",           "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                        "XDG_CACHE_HOME", "XDG_STATE_HOME",  "XDG_DATA_DIRS"};
}

ScopedHome::ScopedHome(TempTree& tree, std::string_view rel) : home_(tree.dir(rel)) {
    for (int i = 0; i < 6; ++i) {
        if (const char* v = std::getenv(kVars[i])) {
            had_[i] = true;
            saved_[i] = v;
        }
    }
    ::setenv("HOME", home_.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home_ + "/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home_ + "/.local/share").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (home_ + "/.cache").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (home_ + "/.local/state").c_str(), 1);
    ::setenv("XDG_DATA_DIRS", (tree.dir("usr-share")).c_str(), 1);
}

ScopedHome::~ScopedHome() {
    for (int i = 0; i < 6; ++i) {
        if (had_[i]) ::setenv(kVars[i], saved_[i].c_str(), 1);
        else ::unsetenv(kVars[i]);
    }
}

}  // namespace orvane::testing
