#include "core/duplicates/ScanCache.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <functional>
#include <random>

#include "core/files/RecordFile.h"
#include "kit/Paths.h"
#include "platform/Layout.h"

namespace orvane::duplicates {

namespace {

// Changed whenever a field changes meaning, so an old cache is never read as a new one.
constexpr std::size_t kRecordSize = 8 * 7 + 4 + 4;
constexpr files::RecordFormat kFormat{"ORVANE-DUPLICATE-SCAN-1\n", kRecordSize,
                                      ScanCache::kMaxEntries, "duplicate scan cache"};
constexpr std::uint32_t kHasSample = 1, kHasClass = 2;
// Changes this close to the scan's start may share a clock tick with a later change.
constexpr std::int64_t kSettleNs = 3'000'000'000;

using files::recordGet32;
using files::recordGet64;
using files::recordPut32;
using files::recordPut64;

std::size_t slotOf(std::uint64_t device, std::uint64_t inode, std::size_t mask) {
    return static_cast<std::size_t>((inode * 0x9E3779B97F4A7C15ull) ^
                                    (device * 0xC2B2AE3D27D4EB4Full)) &
           mask;
}

bool keyLess(const FileStamp& a, const FileStamp& b) {
    return a.device != b.device ? a.device < b.device : a.inode < b.inode;
}
bool sameKey(const FileStamp& a, const FileStamp& b) {
    return a.device == b.device && a.inode == b.inode;
}

}  // namespace

std::optional<FileStamp> FileStamp::of(const files::ResourceValueURL& file, std::uint64_t size) {
    const auto id = file.resourceValues.fileResourceIdentifier();
    const auto times = file.resourceValues.times();
    if (!id || !times) return std::nullopt;
    return FileStamp{id->first, id->second, size, times->first, times->second};
}

ScanCache::ScanCache(std::string path) : path_(std::move(path)) {}

std::string ScanCache::defaultPath(const platform::Layout& layout) {
    return kit::joinPath(kit::joinPath(layout.caches, kit::mainAppBundleID), "duplicate-scan");
}

void ScanCache::beginScan(std::int64_t startNs) {
    std::random_device random;
    std::uint64_t scan = 0;
    while (scan == 0) scan = (static_cast<std::uint64_t>(random()) << 32) ^ random();
    scan_ = scan;
    nextClass_ = 0;
    settledBeforeNs_ = startNs - kSettleNs;
}

bool ScanCache::settled(const FileStamp& stamp) const {
    return stamp.mtimeNs < settledBeforeNs_ && stamp.ctimeNs < settledBeforeNs_;
}

const unsigned char* ScanCache::loadedRecord(std::size_t i) const {
    return loadedFirst_ + i * kRecordSize;
}

ScanCache::Entry ScanCache::decode(const unsigned char* p) {
    Entry e;
    e.stamp.device = recordGet64(p);
    e.stamp.inode = recordGet64(p + 8);
    e.stamp.size = recordGet64(p + 16);
    e.stamp.mtimeNs = static_cast<std::int64_t>(recordGet64(p + 24));
    e.stamp.ctimeNs = static_cast<std::int64_t>(recordGet64(p + 32));
    e.sample = recordGet64(p + 40);
    e.contentClass = ContentClass{recordGet64(p + 48), recordGet32(p + 56)};
    const std::uint32_t flags = recordGet32(p + 60);
    e.hasSample = flags & kHasSample;
    e.hasClass = flags & kHasClass;
    return e;
}

std::optional<ScanCache::Entry> ScanCache::find(const FileStamp& stamp) const {
    if (index_.empty()) return std::nullopt;
    const std::size_t mask = index_.size() - 1;
    for (std::size_t slot = slotOf(stamp.device, stamp.inode, mask);; slot = (slot + 1) & mask) {
        const std::uint32_t at = index_[slot];
        if (at == kNoEntry) return std::nullopt;
        const unsigned char* p = loadedRecord(at);
        if (recordGet64(p) == stamp.device && recordGet64(p + 8) == stamp.inode) {
            const Entry e = decode(p);
            if (!(e.stamp == stamp)) return std::nullopt;
            used_[at].store(true, std::memory_order_relaxed);
            return e;
        }
    }
}

void ScanCache::recall(std::span<const FileStamp> stamps, std::span<Recall> out) const {
    const std::size_t n = std::min(stamps.size(), out.size());
    if (index_.empty()) {
        std::fill_n(out.begin(), n, Recall{});
        return;
    }
    const std::size_t mask = index_.size() - 1;
    auto slot = [&](std::size_t i) { return slotOf(stamps[i].device, stamps[i].inode, mask); };
    // Two stages ahead: the index slot of a lookup kAhead * 2 away, and the record that slot
    // names for the lookup kAhead away (its slot has arrived by then).
    constexpr std::size_t kAhead = 8;
    for (std::size_t i = 0; i < n; ++i) {
        if (i + 2 * kAhead < n) __builtin_prefetch(&index_[slot(i + 2 * kAhead)]);
        if (i + kAhead < n) {
            const std::uint32_t at = index_[slot(i + kAhead)];
            if (at != kNoEntry) {
                const unsigned char* record = loadedRecord(at);
                __builtin_prefetch(record);
                __builtin_prefetch(record + kRecordSize - 1);
            }
        }
        const auto e = find(stamps[i]);
        out[i] = e ? static_cast<const Recall&>(*e) : Recall{};
    }
}

std::optional<std::uint64_t> ScanCache::sample(const FileStamp& stamp) const {
    const auto e = find(stamp);
    return e ? e->knownSample() : std::nullopt;
}

std::optional<ContentClass> ScanCache::contentClass(const FileStamp& stamp) const {
    const auto e = find(stamp);
    return e ? e->knownClass() : std::nullopt;
}

ContentClass ScanCache::newClass() {
    return ContentClass{scan_, nextClass_.fetch_add(1, std::memory_order_relaxed)};
}

void ScanCache::expect(std::size_t files) {
    std::lock_guard lock(mutex_);
    learned_.reserve(std::min(files, kMaxEntries));
}

void ScanCache::store(const std::vector<Fact>& facts) {
    std::lock_guard lock(mutex_);
    for (const Fact& fact : facts) {
        if (!settled(fact.stamp) || learned_.size() >= kMaxEntries) continue;
        Entry e;
        e.stamp = fact.stamp;
        e.hasSample = fact.sample.has_value();
        e.sample = fact.sample.value_or(0);
        e.hasClass = fact.contentClass.has_value();
        e.contentClass = fact.contentClass.value_or(ContentClass{});
        learned_.push_back(e);
    }
}

std::size_t ScanCache::size() const {
    std::lock_guard lock(mutex_);
    return loadedCount_ + learned_.size();
}

template <class Emit>
void ScanCache::eachKept(Emit&& emit) {
    {
        // In place, without a merge buffer: records of one file in one scan (its hard links)
        // carry the same stamps and add up whatever their order.
        std::lock_guard lock(mutex_);
        std::sort(learned_.begin(), learned_.end(),
                  [](const Entry& a, const Entry& b) { return keyLess(a.stamp, b.stamp); });
    }
    const std::vector<Entry>& fresh = learned_;
    auto absorb = [](Entry& into, const Entry& e) {
        if (!(into.stamp == e.stamp)) {
            into = e;
            return;
        }
        if (e.hasSample) into.sample = e.sample, into.hasSample = true;
        if (e.hasClass) into.contentClass = e.contentClass, into.hasClass = true;
    };
    // One merge of loaded and learned facts in key order; `visit(entry, wanted)` hears each
    // file once, `wanted` when this scan used or learned it.
    auto merge = [&](auto&& visit) {
        std::size_t l = 0;
        for (std::size_t f = 0; f < fresh.size() || l < loadedCount_;) {
            const std::optional<Entry> next =
                l < loadedCount_ ? std::optional(decode(loadedRecord(l))) : std::nullopt;
            const bool takeLoaded =
                next && (f >= fresh.size() || !keyLess(fresh[f].stamp, next->stamp));
            Entry e;
            bool wanted = true;
            if (takeLoaded) {
                e = *next;
                wanted = used_[l].load(std::memory_order_relaxed);
                ++l;
            } else {
                e = fresh[f++];
            }
            while (f < fresh.size() && sameKey(fresh[f].stamp, e.stamp)) {
                absorb(e, fresh[f++]);
                wanted = true;
            }
            visit(e, wanted);
        }
    };
    // Facts this scan used or learned first, then the rest while there is room.
    std::size_t wanted = 0, others = 0;
    merge([&](const Entry&, bool w) { ++(w ? wanted : others); });
    std::size_t wantedRoom = std::min(wanted, kMaxEntries);
    std::size_t otherRoom = std::min(others, kMaxEntries - wantedRoom);
    emit(nullptr, wantedRoom + otherRoom);
    merge([&](const Entry& e, bool w) {
        std::size_t& room = w ? wantedRoom : otherRoom;
        if (room == 0) return;
        --room;
        emit(&e, 0);
    });
}

bool ScanCache::write(const std::function<bool(const char*, std::size_t)>& sink) {
    std::optional<files::RecordWriter> writer;
    eachKept([&](const Entry* e, std::size_t count) {
        if (!e) {
            writer.emplace(kFormat, count, sink);
            return;
        }
        std::string& out = writer->buffer();
        recordPut64(out, e->stamp.device);
        recordPut64(out, e->stamp.inode);
        recordPut64(out, e->stamp.size);
        recordPut64(out, static_cast<std::uint64_t>(e->stamp.mtimeNs));
        recordPut64(out, static_cast<std::uint64_t>(e->stamp.ctimeNs));
        recordPut64(out, e->hasSample ? e->sample : 0);
        recordPut64(out, e->hasClass ? e->contentClass.scan : 0);
        recordPut32(out, e->hasClass ? e->contentClass.index : 0);
        recordPut32(out, (e->hasSample ? kHasSample : 0) | (e->hasClass ? kHasClass : 0));
        writer->endRecord();
    });
    return writer->finish();
}

std::string ScanCache::serialise() {
    std::string bytes;
    write([&](const char* data, std::size_t size) {
        bytes.append(data, size);
        return true;
    });
    return bytes;
}

bool ScanCache::parse(std::string_view bytes, std::string* error) {
    return adopt(std::string(bytes), error);
}

bool ScanCache::adopt(std::string bytes, std::string* error) {
    {
        std::lock_guard lock(mutex_);
        unchanged_ = false;
    }
    const auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    const auto records = files::parseRecords(bytes, kFormat, error);
    if (!records) return false;
    const std::uint64_t count = records->count();
    // Every record is checked now, so a lookup can trust what it decodes.
    FileStamp previous;
    for (std::uint64_t i = 0; i < count; ++i) {
        const unsigned char* p = records->record(i);
        const std::uint32_t flags = recordGet32(p + 60);
        if (flags & ~(kHasSample | kHasClass)) return fail("damaged: unknown flags");
        const Entry e = decode(p);
        if (e.hasClass && e.contentClass.scan == 0) return fail("damaged: class of no scan");
        if ((!e.hasSample && e.sample != 0) ||
            (!e.hasClass && (e.contentClass.scan != 0 || e.contentClass.index != 0)))
            return fail("damaged: values without their flags");
        if (i > 0 && !keyLess(previous, e.stamp)) return fail("damaged: records out of order");
        previous = e.stamp;
    }
    // An open-addressed index at most half full: one or two probes per lookup, where a search
    // of the sorted records would miss the processor cache at every step.
    std::size_t slots = 16;
    while (slots < count * 2) slots *= 2;
    std::vector<std::uint32_t> index(slots, kNoEntry);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* p = records->record(i);
        std::size_t slot = slotOf(recordGet64(p), recordGet64(p + 8), slots - 1);
        while (index[slot] != kNoEntry) slot = (slot + 1) & (slots - 1);
        index[slot] = static_cast<std::uint32_t>(i);
    }
    const std::size_t firstOffset = static_cast<std::size_t>(
        count == 0 ? 0 : records->record(0) - reinterpret_cast<const unsigned char*>(bytes.data()));
    std::lock_guard lock(mutex_);
    loadedBytes_ = std::move(bytes);
    // A moved string keeps its characters where they were, but the view is taken afresh.
    loadedFirst_ = reinterpret_cast<const unsigned char*>(loadedBytes_.data()) + firstOffset;
    loadedCount_ = static_cast<std::size_t>(count);
    index_ = std::move(index);
    used_ = std::make_unique<std::atomic<bool>[]>(loadedCount_);
    learned_.clear();
    unchanged_ = true;
    return true;
}

bool ScanCache::load(std::string* error) {
    std::string bytes;
    if (!files::readRecordFile(path_, kFormat, bytes, error)) return false;
    if (bytes.empty()) {
        // No cache yet (or an empty file left by a full disk): start afresh.
        std::lock_guard lock(mutex_);
        loadedBytes_.clear();
        loadedFirst_ = nullptr;
        loadedCount_ = 0;
        index_.clear();
        used_.reset();
        return true;
    }
    return adopt(std::move(bytes), error);
}

bool ScanCache::save(std::string* error) {
    {
        // A rescan that learned nothing would write the very bytes it read.
        std::lock_guard lock(mutex_);
        if (unchanged_ && learned_.empty()) return true;
    }
    return files::saveRecordFile(
        path_, [this](const files::RecordWriter::Sink& sink) { return write(sink); }, error);
}

}  // namespace orvane::duplicates
