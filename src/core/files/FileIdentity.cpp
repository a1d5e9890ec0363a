#include "core/files/FileIdentity.h"

namespace orvane::files {

FileIdentity FileIdentity::of(const struct stat& st) {
    FileIdentity id;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.inode = static_cast<std::uint64_t>(st.st_ino);
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.mtimeSec = st.st_mtim.tv_sec;
    id.mtimeNsec = st.st_mtim.tv_nsec;
    id.ctimeSec = st.st_ctim.tv_sec;
    id.ctimeNsec = st.st_ctim.tv_nsec;
    id.type = st.st_mode & S_IFMT;
    return id;
}

bool FileIdentity::read(const char* path, FileIdentity& into) {
    struct stat st {};
    if (::lstat(path, &st) != 0) return false;
    into = of(st);
    return true;
}

}  // namespace orvane::files
