#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::files {

// The values a scan fetches once per item, so later stages (kind, hidden flag, volume, removal's
// same-file re-check) never ask the file system again. Each value may be unknown; the record is
// kept small because a scan holds one per candidate file.
class ResourceValues {
public:
    enum Key : std::uint16_t {
        isDirectoryKey = 1 << 0,
        isApplicationKey = 1 << 1,
        isAliasFileKey = 1 << 2,
        totalFileSizeKey = 1 << 3,
        isReadableKey = 1 << 4,
        isWritableKey = 1 << 5,
        isHiddenKey = 1 << 6,
        volumeKey = 1 << 7,          // volume URL and volume-is-local come together
        fileIdentifierKey = 1 << 8,  // device and inode
        timesKey = 1 << 9,           // modification and change time
    };

    std::optional<bool> isDirectory() const { return flag(isDirectoryKey); }
    std::optional<bool> isApplication() const { return flag(isApplicationKey); }
    std::optional<bool> isAliasFile() const { return flag(isAliasFileKey); }
    std::optional<bool> isReadable() const { return flag(isReadableKey); }
    std::optional<bool> isWritable() const { return flag(isWritableKey); }
    std::optional<bool> isHidden() const { return flag(isHiddenKey); }
    std::optional<std::uint64_t> totalFileSize() const {
        return (known_ & totalFileSizeKey) ? std::optional(totalFileSize_) : std::nullopt;
    }
    // Mount point of the volume holding the item.
    std::optional<std::string> volumeURL() const;
    std::optional<bool> volumeIsLocal() const;
    // Device and inode: the identity of the file on disk, whatever its name.
    std::optional<std::pair<std::uint64_t, std::uint64_t>> fileResourceIdentifier() const {
        if (!(known_ & fileIdentifierKey)) return std::nullopt;
        return std::pair(device_, inode_);
    }

    void setFlag(Key key, bool value) {
        known_ |= key;
        if (value) values_ |= key;
        else values_ &= static_cast<std::uint16_t>(~key);
    }
    void setTotalFileSize(std::uint64_t size) {
        known_ |= totalFileSizeKey;
        totalFileSize_ = size;
    }
    // `volume` is an index from VolumeRegistry::intern.
    void setVolume(std::uint32_t volume) {
        known_ |= volumeKey;
        volume_ = volume;
    }
    void setFileIdentifier(std::uint64_t device, std::uint64_t inode) {
        known_ |= fileIdentifierKey;
        device_ = device;
        inode_ = inode;
    }
    // Modification and change time in nanoseconds since 1970: a file edited in place since the
    // scan keeps its inode and size but not these.
    void setTimes(std::int64_t mtimeNs, std::int64_t ctimeNs) {
        known_ |= timesKey;
        mtimeNs_ = mtimeNs;
        ctimeNs_ = ctimeNs;
    }
    std::optional<std::pair<std::int64_t, std::int64_t>> times() const {
        if (!(known_ & timesKey)) return std::nullopt;
        return std::pair(mtimeNs_, ctimeNs_);
    }
    std::optional<std::uint32_t> volumeIndex() const {
        return (known_ & volumeKey) ? std::optional(volume_) : std::nullopt;
    }

    bool operator==(const ResourceValues&) const = default;
    std::size_t hash() const;

private:
    std::optional<bool> flag(Key key) const {
        return (known_ & key) ? std::optional<bool>((values_ & key) != 0) : std::nullopt;
    }

    std::uint64_t totalFileSize_ = 0;
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
    std::int64_t mtimeNs_ = 0;
    std::int64_t ctimeNs_ = 0;
    std::uint32_t volume_ = 0;
    std::uint16_t known_ = 0;
    std::uint16_t values_ = 0;
};

// A scanned item: its path (bytes as the file system gave them) and its values.
struct ResourceValueURL {
    std::string url;
    ResourceValues resourceValues;

    // Last path component, the "name" value.
    std::string_view name() const;
    bool operator==(const ResourceValueURL&) const = default;
};

struct ResourceValueURLHash {
    std::size_t operator()(const ResourceValueURL& item) const;
};

// Every volume a scan met, interned once: a scan of a million files on one disk stores one
// mount point, not a million copies of it. Indices stay valid for the life of the process.
class VolumeRegistry {
public:
    static std::uint32_t intern(const std::string& mountPoint, bool isLocal);
    static std::optional<std::string> mountPoint(std::uint32_t index);
    static std::optional<bool> isLocal(std::uint32_t index);
};

}  // namespace orvane::files
