#include "core/renamer/FileIdentity.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace orvane::renamer {

namespace {

FileIdentity fromStat(const struct stat& st) {
    FileIdentity id;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    id.ctimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec;
    id.regular = S_ISREG(st.st_mode);
    return id;
}

}  // namespace

std::optional<FileIdentity> FileIdentity::of(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    return fromStat(st);
}

std::optional<FileIdentity> FileIdentity::at(int dirfd, const std::string& name) {
    struct stat st {};
    if (::fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    return fromStat(st);
}

}  // namespace orvane::renamer
