#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane::platform {

// The mounted volume that holds a path.
struct VolumeInfo {
    dev_t device = 0;             // st_dev of the path
    std::string mountPoint;       // longest mount point that is a prefix of the real path
    std::string name;             // label, else the mount point's last component, "/" for root
    std::string fileSystem;       // "ext4", "tmpfs", "nfs", ...
    bool isLocal = true;          // false for network file systems
    std::uint64_t freeBytes = 0;  // available to this user (statvfs f_bavail * f_frsize)
    std::uint64_t totalBytes = 0;
    std::string source;  // what is mounted: "/dev/sda2", "tmpfs", "server:/export", ...
};

// One line of a mountinfo file, with the octal escapes (\040 for a space, ...) undone.
struct MountEntry {
    unsigned major = 0;
    unsigned minor = 0;
    std::string mountPoint;
    std::string fileSystem;
    std::string source;
};

// Every well-formed line of the file, in mount order (later entries sit on top of earlier ones
// at the same mount point). Malformed lines are passed over.
std::vector<MountEntry> readMountInfo(const std::string& mountInfoPath = "/proc/self/mountinfo");

// True for file systems whose data lives on another machine (nfs, cifs, sshfs, ...).
bool isNetworkFileSystem(const std::string& fileSystem);

// Reads /proc/self/mountinfo (or the given file, for tests) and statvfs. The label comes from
// the links in `byLabelDir` whose target is the mounted device.
std::optional<VolumeInfo> volumeOf(const std::string& path,
                                   const std::string& mountInfoPath = "/proc/self/mountinfo",
                                   const std::string& byLabelDir = "/dev/disk/by-label");

// Free bytes available on the volume holding `path`; nothing if it cannot be read. Callers that
// need to simulate a full disk take a FreeSpaceReader instead of calling this directly.
std::optional<std::uint64_t> freeSpace(const std::string& path);

}  // namespace orvane::platform
