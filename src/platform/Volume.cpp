#include "platform/Volume.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "kit/Paths.h"

namespace orvane::platform {

namespace fs = std::filesystem;

namespace {

bool isOctal(char c) { return c >= '0' && c <= '7'; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The kernel writes space, tab, newline and backslash in mount points as \ooo.
std::string unescapeOctal(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && isOctal(text[i + 1]) &&
            isOctal(text[i + 2]) && isOctal(text[i + 3])) {
            out.push_back(static_cast<char>(((text[i + 1] - '0') << 6) |
                                            ((text[i + 2] - '0') << 3) | (text[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// udev writes unsafe bytes in link names as \xNN ("My\x20Disk").
std::string unescapeHex(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
            hexValue(text[i + 2]) >= 0 && hexValue(text[i + 3]) >= 0) {
            out.push_back(static_cast<char>(hexValue(text[i + 2]) * 16 + hexValue(text[i + 3])));
            i += 3;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

bool isPrefixPath(const std::string& mountPoint, const std::string& path) {
    if (mountPoint == "/") return !path.empty() && path.front() == '/';
    if (!path.starts_with(mountPoint)) return false;
    return path.size() == mountPoint.size() || path[mountPoint.size()] == '/';
}

std::string canonicalOrEmpty(const fs::path& path) {
    std::error_code ec;
    fs::path resolved = fs::canonical(path, ec);
    return ec ? std::string() : resolved.string();
}

std::string labelFor(const MountEntry& mount, const std::string& byLabelDir) {
    const std::string source = mount.source.empty() || mount.source.front() != '/'
                                   ? std::string()
                                   : canonicalOrEmpty(mount.source);
    const dev_t mounted = makedev(mount.major, mount.minor);
    std::error_code ec;
    for (const auto& link : fs::directory_iterator(byLabelDir, ec)) {
        const std::string target = canonicalOrEmpty(link.path());
        if (target.empty()) continue;
        bool same = !source.empty() && target == source;
        struct stat st {};
        if (!same && mount.major != 0 && ::stat(target.c_str(), &st) == 0 && S_ISBLK(st.st_mode))
            same = st.st_rdev == mounted;
        if (same) return unescapeHex(link.path().filename().string());
    }
    return {};
}

}  // namespace

std::vector<MountEntry> readMountInfo(const std::string& mountInfoPath) {
    std::vector<MountEntry> mounts;
    std::ifstream in(mountInfoPath);
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mountpoint options [optional...] - fstype source superopts
        std::istringstream fields(line);
        std::string id, parent, devNumbers, root, mountPoint, options, word;
        if (!(fields >> id >> parent >> devNumbers >> root >> mountPoint >> options)) continue;
        bool sawSeparator = false;
        while (fields >> word) {
            if (word == "-") {
                sawSeparator = true;
                break;
            }
        }
        MountEntry entry;
        if (!sawSeparator || !(fields >> entry.fileSystem)) continue;
        fields >> entry.source;  // may be absent on odd pseudo file systems
        auto colon = devNumbers.find(':');
        if (colon == std::string::npos) continue;
        char* end = nullptr;
        entry.major = static_cast<unsigned>(std::strtoul(devNumbers.c_str(), &end, 10));
        entry.minor = static_cast<unsigned>(std::strtoul(devNumbers.c_str() + colon + 1, &end, 10));
        entry.mountPoint = unescapeOctal(mountPoint);
        entry.source = unescapeOctal(entry.source);
        entry.fileSystem = unescapeOctal(entry.fileSystem);
        mounts.push_back(std::move(entry));
    }
    return mounts;
}

bool isNetworkFileSystem(const std::string& fileSystem) {
    static constexpr std::array<std::string_view, 18> kNetwork = {
        "nfs",   "nfs4",       "cifs",        "smb3",      "smbfs",          "ncpfs",
        "afs",   "coda",       "9p",          "ceph",      "glusterfs",      "lustre",
        "davfs", "fuse.sshfs", "fuse.rclone", "fuse.s3fs", "fuse.glusterfs", "fuse.davfs2"};
    for (std::string_view name : kNetwork)
        if (fileSystem == name) return true;
    return false;
}

std::optional<VolumeInfo> volumeOf(const std::string& path, const std::string& mountInfoPath,
                                   const std::string& byLabelDir) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    const std::string real = canonicalOrEmpty(path);
    if (real.empty()) return std::nullopt;

    const std::vector<MountEntry> mounts = readMountInfo(mountInfoPath);
    const MountEntry* best = nullptr;
    for (const MountEntry& mount : mounts) {
        if (!isPrefixPath(mount.mountPoint, real)) continue;
        // ">=" so that a later mount over the same point, which hides the earlier one, wins.
        if (!best || mount.mountPoint.size() >= best->mountPoint.size()) best = &mount;
    }
    if (!best) return std::nullopt;

    VolumeInfo info;
    info.device = st.st_dev;
    info.mountPoint = best->mountPoint;
    info.fileSystem = best->fileSystem;
    info.source = best->source;
    info.isLocal = !isNetworkFileSystem(best->fileSystem);
    info.name = labelFor(*best, byLabelDir);
    if (info.name.empty()) info.name = kit::directoryName(info.mountPoint);
    struct statvfs vfs {};
    if (::statvfs(real.c_str(), &vfs) == 0) {
        info.freeBytes = static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
        info.totalBytes = static_cast<std::uint64_t>(vfs.f_blocks) * vfs.f_frsize;
    }
    return info;
}

std::optional<std::uint64_t> freeSpace(const std::string& path) {
    struct statvfs vfs {};
    if (::statvfs(path.c_str(), &vfs) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
}

}  // namespace orvane::platform
