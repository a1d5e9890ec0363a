#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace orvane::renamer {

// What makes a file the one the user added: device, inode, size, modification and change times,
// read without following a symbolic link. A rename is made only while all of them still match.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::int64_t ctimeNs = 0;
    bool regular = false;

    // Nothing when the path cannot be examined.
    static std::optional<FileIdentity> of(const std::string& path);
    static std::optional<FileIdentity> at(int dirfd, const std::string& name);

    // Same file and same content as far as the file system can tell. The change time is left out
    // by `ignoreCtime`: renaming a file changes it, so after a rename only the rest can match.
    bool matches(const FileIdentity& other, bool ignoreCtime = false) const {
        return device == other.device && inode == other.inode && size == other.size &&
               mtimeNs == other.mtimeNs && (ignoreCtime || ctimeNs == other.ctimeNs) &&
               regular == other.regular;
    }
};

}  // namespace orvane::renamer
