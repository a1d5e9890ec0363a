#include "core/junk/JunkFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <memory>

#include "kit/Paths.h"

namespace orvane::junk::files {

namespace {

double seconds(const struct statx_timestamp& t) {
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

struct DirCloser {
    void operator()(DIR* d) const {
        if (d) ::closedir(d);
    }
};

}  // namespace

std::optional<EntryStat> statEntry(const std::string& path) {
    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME,
                &sx) != 0)
        return std::nullopt;
    EntryStat st;
    st.isDirectory = S_ISDIR(sx.stx_mode);
    st.isRegular = S_ISREG(sx.stx_mode);
    st.isSymlink = S_ISLNK(sx.stx_mode);
    st.size = static_cast<std::int64_t>(sx.stx_size);
    st.allocated = static_cast<std::int64_t>(sx.stx_blocks) * 512;
    st.modified = seconds(sx.stx_mtime);
    if (sx.stx_mask & STATX_BTIME) st.created = seconds(sx.stx_btime);
    st.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    st.inode = sx.stx_ino;
    return st;
}

bool isDirectoryFollowingLinks(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool existsFollowingLinks(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::optional<std::vector<std::string>> listDirectory(const std::string& path) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(path.c_str()));
    if (!dir) return std::nullopt;
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir.get())) {
        const std::string_view name(e->d_name);
        if (name == "." || name == "..") continue;
        names.emplace_back(name);
    }
    return names;
}

std::int64_t treeSize(const std::string& path, bool skipHidden,
                      const std::function<bool(const std::string&)>& descend,
                      const std::function<bool()>& cancelled) {
    const auto top = statEntry(path);
    if (!top) return 0;
    if (!top->isDirectory) return top->size;
    std::int64_t total = 0;
    // An explicit stack: a tree nested thousands deep must not exhaust the thread's stack.
    std::vector<std::string> pending{path};
    while (!pending.empty()) {
        if (cancelled && cancelled()) break;
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        const auto names = listDirectory(folder);
        if (!names) continue;
        for (const std::string& name : *names) {
            if (skipHidden && name.front() == '.') continue;
            const std::string child = kit::joinPath(folder, name);
            const auto st = statEntry(child);
            if (!st) continue;
            if (st->isDirectory) {
                if (!descend || descend(child)) pending.push_back(child);
            } else {
                total += st->size;
            }
        }
    }
    return total;
}

bool isHiddenName(const std::string& path) {
    const std::string name = kit::directoryName(path);
    return !name.empty() && name.front() == '.';
}

}  // namespace orvane::junk::files
