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

bool sameFileOnDisk(std::optional<DiskFileId> a, const std::string& pathA,
                    std::optional<DiskFileId> b, const std::string& pathB) {
    auto now = [](const std::string& path) -> std::optional<DiskFileId> {
        FileIdentity id;
        if (path.empty() || !FileIdentity::read(path.c_str(), id)) return std::nullopt;
        return DiskFileId(id.device, id.inode);
    };
    if (!a) a = now(pathA);
    if (!b) b = now(pathB);
    return a && b && *a == *b;
}

}  // namespace orvane::files
