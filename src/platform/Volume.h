#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace orvane::platform {

// The mounted volume that holds a path.
struct VolumeInfo {
    dev_t device = 0;           // st_dev of the path
    std::string mountPoint;     // longest mount point that is a prefix of the real path
    std::string name;           // label, else the mount point's last component, "/" for root
    std::string fileSystem;     // "ext4", "tmpfs", "nfs", ...
    bool isLocal = true;        // false for network file systems
    std::uint64_t freeBytes = 0;   // available to this user (statvfs f_bavail * f_frsize)
    std::uint64_t totalBytes = 0;
};

// Reads /proc/self/mountinfo (or the given file, for tests) and statvfs.
std::optional<VolumeInfo> volumeOf(const std::string& path,
                                   const std::string& mountInfoPath = "/proc/self/mountinfo");

// Free bytes available on the volume holding `path`; nothing if it cannot be read. Callers that
// need to simulate a full disk take a FreeSpaceReader instead of calling this directly.
std::optional<std::uint64_t> freeSpace(const std::string& path);

}  // namespace orvane::platform
