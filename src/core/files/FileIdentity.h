#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace orvane::files {

// What a scan saw of an item, compared field by field right before the item is removed: a file
// edited in place keeps its inode and often its size, but never its change time.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t mtimeSec = 0, mtimeNsec = 0;
    std::int64_t ctimeSec = 0, ctimeNsec = 0;
    std::uint32_t type = 0;  // the S_IFMT bits

    static FileIdentity of(const struct stat& st);
    // Of the item itself (a link is a link); nothing when it cannot be read.
    static bool read(const char* path, FileIdentity& into);

    bool isRegular() const { return type == S_IFREG; }
    bool isFolder() const { return type == S_IFDIR; }
    // The same file on disk, whatever its name: one device and inode.
    bool sameInode(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
    bool operator==(const FileIdentity&) const = default;
};

// Device and inode: which file on disk a name leads to.
using DiskFileId = std::pair<std::uint64_t, std::uint64_t>;

// Two names of one file on disk (hard links). Each side is the device and inode its scan
// recorded, or, where the scan recorded none, what the file system tells now (the name itself,
// a link being a link). A side that cannot be told is never the same file.
bool sameFileOnDisk(std::optional<DiskFileId> a, const std::string& pathA,
                    std::optional<DiskFileId> b, const std::string& pathB);

}  // namespace orvane::files
