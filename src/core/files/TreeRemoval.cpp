#include "core/files/TreeRemoval.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/files/RemovalGuard.h"

namespace orvane::files {

namespace {

void addFreed(std::uint64_t* freed, const struct stat& st) {
    if (freed && (S_ISDIR(st.st_mode) || st.st_nlink <= 1))
        *freed += static_cast<std::uint64_t>(st.st_blocks) * 512u;
}

int removeTree(int parentFd, const std::string& name, const struct stat& expected,
               std::uint64_t* freed) {
    const int fd =
        ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_dev != expected.st_dev || st.st_ino != expected.st_ino) {
        ::close(fd);
        return ESTALE;
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int e = errno;
        ::close(fd);
        return e;
    }
    int firstError = 0;
    while (dirent* entry = ::readdir(dir)) {
        const std::string child = entry->d_name;
        if (child == "." || child == "..") continue;
        struct stat childSt {};
        if (::fstatat(fd, child.c_str(), &childSt, AT_SYMLINK_NOFOLLOW) != 0) {
            if (!firstError && errno != ENOENT) firstError = errno;
            continue;
        }
        int e = 0;
        if (childSt.st_dev != expected.st_dev)
            e = EXDEV;  // a mount point: what lies on it belongs to another file system
        else if (S_ISDIR(childSt.st_mode)) e = removeTree(fd, child, childSt, freed);
        else if (::unlinkat(fd, child.c_str(), 0) == 0) addFreed(freed, childSt);
        else e = errno;
        if (e && e != ENOENT && !firstError) firstError = e;
    }
    ::closedir(dir);
    if (firstError) return firstError;
    if (::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0) return errno;
    addFreed(freed, st);
    return 0;
}

}  // namespace

int removeTreeAt(int parentFd, const std::string& name, dev_t device, std::uint64_t* freedBytes) {
    struct stat st {};
    if (::fstatat(parentFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
    if (!S_ISDIR(st.st_mode)) return ENOTDIR;
    if (st.st_dev != device) return EXDEV;
    return removeTree(parentFd, name, st, freedBytes);
}

int removeGuardedItem(const GuardedItem& item, std::uint64_t* freedBytes) {
    if (S_ISDIR(item.st.st_mode))
        return removeTree(item.parent.get(), item.name, item.st, freedBytes);
    // unlinkat cannot be told which inode to remove; this last look narrows the window in which
    // another file could take the name to the one call.
    struct stat now {};
    if (::fstatat(item.parent.get(), item.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (now.st_dev != item.st.st_dev || now.st_ino != item.st.st_ino) return ESTALE;
    if (::unlinkat(item.parent.get(), item.name.c_str(), 0) != 0) return errno;
    addFreed(freedBytes, now);
    return 0;
}

}  // namespace orvane::files
