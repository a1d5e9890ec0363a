#include "core/files/UrlHelpers.h"

#include <fcntl.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "core/files/TreeWalker.h"
#include "kit/Log.h"

namespace orvane::files {

std::optional<struct stat> attributes(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) return st;
    if (errno == ENOENT || errno == ENOTDIR) ORVANE_LOG("路径不存在: " + path);
    else ORVANE_LOG(std::string("FileAttribute error: ") + std::strerror(errno));
    return std::nullopt;
}

std::optional<double> creationDate(const std::string& path) {
    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &sx) == 0 &&
        (sx.stx_mask & STATX_BTIME))
        return static_cast<double>(sx.stx_btime.tv_sec) + sx.stx_btime.tv_nsec / 1e9;
    return std::nullopt;
}

std::optional<double> modificationDate(const std::string& path) {
    const auto st = attributes(path);
    if (!st) return std::nullopt;
    return static_cast<double>(st->st_mtim.tv_sec) + st->st_mtim.tv_nsec / 1e9;
}

std::uint64_t applicationSize(const std::string& path) {
    // One thread: this runs inside a scan that already keeps every core busy.
    TreeWalker walker(TreeWalker::Options{1, false});
    std::uint64_t total = 0;
    walker.walk({path}, [&](const WalkEntry& e) {
        if (e.statOk && e.type != EntryType::directory) total += e.size;
        return WalkAction::proceed;
    });
    return total;
}

bool linksToSameInode(const std::string& path, const std::string& other) {
    struct stat a {
    }, b{};
    if (::stat(path.c_str(), &a) != 0) {
        ORVANE_LOG("Failed to get file resource identifier for " + path);
        return false;
    }
    if (::stat(other.c_str(), &b) != 0) {
        ORVANE_LOG("Failed to get file resource identifier for " + other);
        return false;
    }
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace orvane::files
