#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/files/RecordFile.h"
#include "engine/ImageSignature.h"

namespace orvane::engine {

// Which file a cached signature belongs to. A file rewritten in place keeps its inode but not
// its size and modification time, so all four must match.
struct FileKey {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNanoseconds = 0;

    bool operator==(const FileKey&) const = default;
};

// Signatures of images already decoded, kept between scans in one file so that a second scan
// of the same folders decodes nothing. Images that could not be decoded are remembered too, so
// a damaged file costs one attempt, not one per scan. Thread-safe.
class HashCache {
public:
    // An empty cache that load() fills and save() writes to `path`.
    explicit HashCache(std::string path);

    // Reads the file; a missing one is no error. A foreign, truncated or damaged file leaves
    // the cache empty and says why in `error` (the scan then simply decodes everything).
    bool load(std::string* error = nullptr);
    // Writes every entry through a temporary file renamed over the old one, so a crash never
    // leaves half a cache. Entries not used by the last scan are kept up to a bound.
    bool save(std::string* error = nullptr);

    // Nothing when unknown; an empty signature when the file is known to be unreadable.
    std::optional<std::optional<ImageSignature>> find(const FileKey& key) const;
    void store(const FileKey& key, const std::optional<ImageSignature>& signature);

    std::size_t size() const;
    const std::string& path() const { return path_; }

    // The bytes save() writes, and the parser load() uses; exposed for tests and fuzzing.
    std::string serialise() const;
    bool parse(std::string_view bytes, std::string* error = nullptr);

private:
    bool write(const files::RecordWriter::Sink& sink) const;

    struct Slot {
        FileKey key;
        bool readable = false;
        bool used = false;  // looked up or stored during this run
        ImageSignature signature;
    };
    struct Hash {
        std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t>& k) const {
            return std::hash<std::uint64_t>()(k.first * 0x9E3779B97F4A7C15ull ^ k.second);
        }
    };

    std::string path_;
    mutable std::mutex mutex_;
    mutable std::unordered_map<std::pair<std::uint64_t, std::uint64_t>, Slot, Hash> slots_;
};

// $XDG_CACHE_HOME/com.orvane.app/photo-signatures (default ~/.cache/...).
std::string defaultHashCachePath();

}  // namespace orvane::engine
