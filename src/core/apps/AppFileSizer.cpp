#include "core/apps/AppFileSizer.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <utility>

#include "kit/Paths.h"

namespace orvane::apps {

namespace {

std::string lowercase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::int64_t allocated(const struct stat& st) {
    // st_blocks counts 512-byte units whatever the file system's block size.
    return st.st_blocks > 0 ? static_cast<std::int64_t>(st.st_blocks) * 512
                            : static_cast<std::int64_t>(st.st_size);
}

struct Walk {
    const platform::Layout& layout;
    bool skipPackages;
    bool skipHiddens;
    const std::atomic<bool>* cancelled;
    dev_t device;
    std::set<std::pair<dev_t, ino_t>> linked;
    std::int64_t total = 0;

    // One open descriptor per level; trees deeper than this are not application data.
    static constexpr int kMaxDepth = 128;

    void folder(int dirFd, const std::string& path, int depth) {
        DIR* dir = ::fdopendir(dirFd);
        if (!dir) {
            ::close(dirFd);
            return;
        }
        while (dirent* e = ::readdir(dir)) {
            if (cancelled && cancelled->load(std::memory_order_relaxed)) break;
            const std::string_view name = e->d_name;
            if (name == "." || name == "..") continue;
            if (skipHiddens && name.front() == '.') continue;
            struct stat st {};
            if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            if (S_ISREG(st.st_mode)) {
                if (st.st_nlink > 1 && !linked.emplace(st.st_dev, st.st_ino).second) continue;
                total += allocated(st);
            } else if (S_ISDIR(st.st_mode)) {
                // Another file system mounted below is not part of the folder.
                if (st.st_dev != device || depth >= kMaxDepth) continue;
                const std::string child = kit::joinPath(path, name);
                if (skipPackages && layout.isPackage(child)) continue;
                const int fd = ::openat(::dirfd(dir), e->d_name,
                                        O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (fd >= 0) folder(fd, child, depth + 1);
            }
        }
        ::closedir(dir);
    }
};

}  // namespace

std::int64_t AppFileSizer::logicalOrAllocatedSize(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    return allocated(st);
}

bool AppFileSizer::directoryExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::int64_t AppFileSizer::fastDirectorySize(const std::string& path, bool skipPackages,
                                             bool skipHiddens,
                                             const std::atomic<bool>* cancelled) const {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return 0;
    }
    Walk walk{layout_, skipPackages, skipHiddens, cancelled, st.st_dev, {}, 0};
    walk.folder(fd, path, 0);
    return walk.total;
}

std::int64_t AppFileSizer::calculateFileSize(const std::string& path) const {
    if (lowercase(kit::pathExtension(path)) == "app") {
        if (const std::uint64_t indexed = spotlight_.mdlsFileSize(path); indexed != 0)
            return static_cast<std::int64_t>(indexed);
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return 0;
    if (S_ISDIR(st.st_mode)) {
        // Device backups are measured with their package contents.
        const std::string lower = lowercase(path);
        const bool backup = lower.find("/mobilesync/backup/") != std::string::npos ||
                            lower.ends_with("/mobilesync/backup");
        // Hidden files are the system's own bookkeeping on macOS; on freedesktop systems an
        // application's data is full of them and goes with it.
        const bool macOS = layout_.kind == platform::Layout::Kind::macOS;
        return fastDirectorySize(path, !backup, macOS);
    }
    if (S_ISREG(st.st_mode)) return allocated(st);
    return 0;
}

}  // namespace orvane::apps
