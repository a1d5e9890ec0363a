#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/files/ResourceValueURL.h"

namespace orvane::platform {
struct Layout;
}

namespace orvane::duplicates {

// Which state of a file a remembered fact belongs to. A file rewritten in place keeps its inode
// but not its change time, so every field must match.
struct FileStamp {
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t mtimeNs = 0, ctimeNs = 0;

    // Nothing when the scan did not record the file's identity and times.
    static std::optional<FileStamp> of(const files::ResourceValueURL& file, std::uint64_t size);
    bool operator==(const FileStamp&) const = default;
};

// Files proven identical by a byte comparison share a class. A class belongs to the scan that
// made it: two files in the same scan's classes are identical when their classes are equal and
// different otherwise; classes of different scans say nothing about each other.
struct ContentClass {
    std::uint64_t scan = 0;  // random per scan, never 0
    std::uint32_t index = 0;
    auto operator<=>(const ContentClass&) const = default;
};

// What duplicate scans learned, kept between them so that a rescan of an unchanged tree reads
// no contents: per file state, the sample fingerprint and the content class. Nothing stands in
// for a comparison that was not made: files whose stamps changed, and files of different scans'
// classes, are read again. Removal compares bytes again right before it deletes, whatever this
// says.
//
// Thread-safe: lookups and stores may come from every hashing operation at once.
class ScanCache {
public:
    explicit ScanCache(std::string path);

    // $XDG_CACHE_HOME/com.orvane.app/duplicate-scan of the layout.
    static std::string defaultPath(const platform::Layout& layout);

    // Reads the file; a missing one is no error. A foreign, truncated or damaged file leaves
    // the cache empty and says why in `error` (the scan then reads everything).
    bool load(std::string* error = nullptr);
    // Written through a temporary file renamed over the old one, so a crash or a second
    // program never leaves half a cache. Facts this scan did not use are kept up to a bound.
    bool save(std::string* error = nullptr);

    // Starts a scan begun at `startNs` (nanoseconds since 1970): files changed within a few
    // seconds of it are not remembered, as a change in the same clock tick would not show in
    // their stamps.
    void beginScan(std::int64_t startNs);

    std::optional<std::uint64_t> sample(const FileStamp& stamp) const;
    std::optional<ContentClass> contentClass(const FileStamp& stamp) const;
    // What the cache knows of one file state, as sample() and contentClass() would answer.
    struct Recall {
        std::uint64_t sample = 0;
        ContentClass contentClass;
        bool hasSample = false, hasClass = false;

        std::optional<std::uint64_t> knownSample() const {
            return hasSample ? std::optional(sample) : std::nullopt;
        }
        std::optional<ContentClass> knownClass() const {
            return hasClass ? std::optional(contentClass) : std::nullopt;
        }
    };
    // Many lookups at once: out[i] for stamps[i]. A rescan looks up every candidate file, and
    // one by one each lookup waits on memory twice; here the reads of the lookups ahead are
    // already on their way.
    void recall(std::span<const FileStamp> stamps, std::span<Recall> out) const;
    // A class of the running scan for a new set of identical files.
    ContentClass newClass();
    // What one comparison learned about a file, in one record; stored together, under one lock.
    struct Fact {
        FileStamp stamp;
        std::optional<std::uint64_t> sample;
        std::optional<ContentClass> contentClass;
    };
    void store(const std::vector<Fact>& facts);
    // Room for what a scan of this many candidate files may learn, made once rather than by
    // doubling (which would hold two copies at the moment it grows).
    void expect(std::size_t files);

    std::size_t size() const;  // facts loaded plus learned
    const std::string& path() const { return path_; }

    // The bytes save() writes and the parser load() uses; for tests and fuzzing.
    std::string serialise();
    bool parse(std::string_view bytes, std::string* error = nullptr);

    static constexpr std::size_t kMaxEntries = 1'000'000;

private:
    // What is known, and of which file state.
    struct Entry : Recall {
        FileStamp stamp;
    };
    // The loaded fact about exactly this file state, if any; marks it used.
    std::optional<Entry> find(const FileStamp& stamp) const;
    // Loaded records stay in the bytes they were read as, decoded when looked at: a rescan of
    // a big tree then holds one copy of them, not two.
    const unsigned char* loadedRecord(std::size_t i) const;
    static Entry decode(const unsigned char* record);
    // Takes `bytes` (a whole cache file) as the loaded facts, or leaves everything as it was
    // and says why.
    bool adopt(std::string bytes, std::string* error);
    bool settled(const FileStamp& stamp) const;
    // Calls emit(nullptr, count) once, then emit(&entry, 0) for each fact to keep, in key order:
    // loaded and learned facts merged, the newest about a file winning, those this scan used or
    // learned kept first.
    template <class Emit>
    void eachKept(Emit&& emit);
    // The file format, in pieces, to `sink`; false when the sink fails.
    bool write(const std::function<bool(const char*, std::size_t)>& sink);

    std::string path_;
    // Loaded, sorted by (device, inode); read-only during a scan but for the marks of use.
    std::string loadedBytes_;
    const unsigned char* loadedFirst_ = nullptr;
    std::size_t loadedCount_ = 0;
    static constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;
    std::vector<std::uint32_t> index_;  // into the loaded records, by (device, inode)
    bool unchanged_ = false;            // loaded whole; nothing learned can differ from the file
    std::unique_ptr<std::atomic<bool>[]> used_;
    mutable std::mutex mutex_;
    std::vector<Entry> learned_;  // in the order learned
    std::uint64_t scan_ = 1;
    std::atomic<std::uint32_t> nextClass_{0};
    std::int64_t settledBeforeNs_ = 0;
};

}  // namespace orvane::duplicates
