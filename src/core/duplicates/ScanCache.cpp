#include "core/duplicates/ScanCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <functional>
#include <random>

#include "kit/Paths.h"
#include "platform/Layout.h"

namespace orvane::duplicates {

namespace {

// Bumped whenever a field changes meaning, so an old cache is never read as a new one.
constexpr std::string_view kMagic = "ORVANE-DUPLICATE-SCAN-1\n";
constexpr std::size_t kRecordSize = 8 * 7 + 4 + 4;
constexpr std::uint32_t kHasSample = 1, kHasClass = 2;
// Changes this close to the scan's start may share a clock tick with a later change.
constexpr std::int64_t kSettleNs = 3'000'000'000;

void put64(std::string& out, std::uint64_t v) {
    char bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    out.append(bytes, 8);
}
void put32(std::string& out, std::uint32_t v) {
    char bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    out.append(bytes, 4);
}

std::size_t slotOf(std::uint64_t device, std::uint64_t inode, std::size_t mask) {
    return static_cast<std::size_t>((inode * 0x9E3779B97F4A7C15ull) ^
                                    (device * 0xC2B2AE3D27D4EB4Full)) &
           mask;
}
// Little-endian on disk; on a little-endian machine one load each.
std::uint64_t get64(const unsigned char* p) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}
std::uint32_t get32(const unsigned char* p) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint32_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

bool keyLess(const FileStamp& a, const FileStamp& b) {
    return a.device != b.device ? a.device < b.device : a.inode < b.inode;
}
bool sameKey(const FileStamp& a, const FileStamp& b) {
    return a.device == b.device && a.inode == b.inode;
}

bool readWhole(const std::string& path, std::string& out, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        if (errno == ENOENT) return true;  // no cache yet
        if (error) *error = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (error) *error = "not a regular file";
        return false;
    }
    // Far larger than any cache this program writes: not ours.
    const auto limit =
        static_cast<std::uint64_t>(kMagic.size() + 16 + ScanCache::kMaxEntries * kRecordSize);
    if (static_cast<std::uint64_t>(st.st_size) > limit) {
        ::close(fd);
        if (error) *error = "too large to be a scan cache";
        return false;
    }
    out.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.resize(got);
    return true;
}

bool makeFolders(const std::string& folder) {
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
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

const ScanCache::Entry* ScanCache::find(const FileStamp& stamp) const {
    if (index_.empty()) return nullptr;
    const std::size_t mask = index_.size() - 1;
    for (std::size_t slot = slotOf(stamp.device, stamp.inode, mask);; slot = (slot + 1) & mask) {
        const std::uint32_t at = index_[slot];
        if (at == kNoEntry) return nullptr;
        const Entry& e = loaded_[at];
        if (sameKey(e.stamp, stamp)) {
            if (!(e.stamp == stamp)) return nullptr;
            used_[at].store(true, std::memory_order_relaxed);
            return &e;
        }
    }
}

std::optional<std::uint64_t> ScanCache::sample(const FileStamp& stamp) const {
    const Entry* e = find(stamp);
    if (!e || !e->hasSample) return std::nullopt;
    return e->sample;
}

std::optional<ContentClass> ScanCache::contentClass(const FileStamp& stamp) const {
    const Entry* e = find(stamp);
    if (!e || !e->hasClass) return std::nullopt;
    return e->contentClass;
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
    return loaded_.size() + learned_.size();
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
        for (std::size_t f = 0; f < fresh.size() || l < loaded_.size();) {
            const bool takeLoaded =
                l < loaded_.size() &&
                (f >= fresh.size() || !keyLess(fresh[f].stamp, loaded_[l].stamp));
            Entry e;
            bool wanted = true;
            if (takeLoaded) {
                e = loaded_[l];
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

namespace {

// Writes the cache format to a sink in pieces, with the checksum of everything before it.
class CacheWriter {
public:
    explicit CacheWriter(std::function<bool(const char*, std::size_t)> sink)
        : sink_(std::move(sink)), state_(XXH3_createState()) {
        XXH3_64bits_reset(state_);
        buffer_.reserve(kFlushAt + 128);
    }
    ~CacheWriter() { XXH3_freeState(state_); }
    CacheWriter(const CacheWriter&) = delete;
    CacheWriter& operator=(const CacheWriter&) = delete;

    std::string& buffer() { return buffer_; }
    bool flush() {
        XXH3_64bits_update(state_, buffer_.data(), buffer_.size());
        ok_ = ok_ && sink_(buffer_.data(), buffer_.size());
        buffer_.clear();
        return ok_;
    }
    void maybeFlush() {
        if (buffer_.size() >= kFlushAt) flush();
    }
    bool finish() {
        flush();
        put64(buffer_, XXH3_64bits_digest(state_));
        ok_ = ok_ && sink_(buffer_.data(), buffer_.size());
        buffer_.clear();
        return ok_;
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 20;
    std::function<bool(const char*, std::size_t)> sink_;
    XXH3_state_t* state_;
    std::string buffer_;
    bool ok_ = true;
};

}  // namespace

bool ScanCache::write(const std::function<bool(const char*, std::size_t)>& sink) {
    CacheWriter writer(sink);
    std::string& out = writer.buffer();
    eachKept([&](const Entry* e, std::size_t count) {
        if (!e) {
            out.append(kMagic);
            put64(out, count);
            return;
        }
        put64(out, e->stamp.device);
        put64(out, e->stamp.inode);
        put64(out, e->stamp.size);
        put64(out, static_cast<std::uint64_t>(e->stamp.mtimeNs));
        put64(out, static_cast<std::uint64_t>(e->stamp.ctimeNs));
        put64(out, e->hasSample ? e->sample : 0);
        put64(out, e->hasClass ? e->contentClass.scan : 0);
        put32(out, e->hasClass ? e->contentClass.index : 0);
        put32(out, (e->hasSample ? kHasSample : 0) | (e->hasClass ? kHasClass : 0));
        writer.maybeFlush();
    });
    return writer.finish();
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
    {
        std::lock_guard lock(mutex_);
        unchanged_ = false;
    }
    const auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    if (bytes.size() < kMagic.size() || bytes.substr(0, kMagic.size()) != kMagic)
        return fail("not a duplicate scan cache of this version");
    if (bytes.size() < kMagic.size() + 16) return fail("truncated");
    const auto* base = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::uint64_t count = get64(base + kMagic.size());
    if (count > kMaxEntries || bytes.size() != kMagic.size() + 8 + count * kRecordSize + 8)
        return fail("damaged: wrong length");
    const std::size_t body = bytes.size() - 8;
    if (XXH3_64bits(bytes.data(), body) != get64(base + body))
        return fail("damaged: checksum does not match");
    std::vector<Entry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    const unsigned char* p = base + kMagic.size() + 8;
    for (std::uint64_t i = 0; i < count; ++i, p += kRecordSize) {
        Entry e;
        e.stamp.device = get64(p);
        e.stamp.inode = get64(p + 8);
        e.stamp.size = get64(p + 16);
        e.stamp.mtimeNs = static_cast<std::int64_t>(get64(p + 24));
        e.stamp.ctimeNs = static_cast<std::int64_t>(get64(p + 32));
        const std::uint32_t flags = get32(p + 60);
        if (flags & ~(kHasSample | kHasClass)) return fail("damaged: unknown flags");
        e.hasSample = flags & kHasSample;
        e.hasClass = flags & kHasClass;
        e.sample = get64(p + 40);
        e.contentClass = ContentClass{get64(p + 48), get32(p + 56)};
        if (e.hasClass && e.contentClass.scan == 0) return fail("damaged: class of no scan");
        if ((!e.hasSample && e.sample != 0) ||
            (!e.hasClass && (e.contentClass.scan != 0 || e.contentClass.index != 0)))
            return fail("damaged: values without their flags");
        if (!entries.empty() && !keyLess(entries.back().stamp, e.stamp))
            return fail("damaged: records out of order");
        entries.push_back(e);
    }
    // An open-addressed index at most half full: one or two probes per lookup, where a search
    // of the sorted records would miss the processor cache at every step.
    std::size_t slots = 16;
    while (slots < entries.size() * 2) slots *= 2;
    std::vector<std::uint32_t> index(slots, kNoEntry);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::size_t slot = slotOf(entries[i].stamp.device, entries[i].stamp.inode, slots - 1);
        while (index[slot] != kNoEntry) slot = (slot + 1) & (slots - 1);
        index[slot] = static_cast<std::uint32_t>(i);
    }
    std::lock_guard lock(mutex_);
    loaded_ = std::move(entries);
    index_ = std::move(index);
    used_ = std::make_unique<std::atomic<bool>[]>(loaded_.size());
    learned_.clear();
    unchanged_ = true;
    return true;
}

bool ScanCache::load(std::string* error) {
    std::string bytes;
    if (!readWhole(path_, bytes, error)) return false;
    if (bytes.empty()) {
        // No cache yet (or an empty file left by a full disk): start afresh.
        std::lock_guard lock(mutex_);
        loaded_.clear();
        index_.clear();
        used_.reset();
        return true;
    }
    return parse(bytes, error);
}

bool ScanCache::save(std::string* error) {
    {
        // A rescan that learned nothing would write the very bytes it read.
        std::lock_guard lock(mutex_);
        if (unchanged_ && learned_.empty()) return true;
    }
    const auto slash = path_.rfind('/');
    if (slash != std::string::npos && slash > 0 && !makeFolders(path_.substr(0, slash))) {
        if (error) *error = std::string("cannot create the cache folder: ") + std::strerror(errno);
        return false;
    }
    const std::string temp = path_ + ".tmp." + std::to_string(::getpid());
    const int fd =
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    const bool written = write([fd](const char* data, std::size_t size) {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd, data + done, size - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    });
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temp.c_str(), path_.c_str()) != 0) {
        if (error) *error = std::string("cannot write the scan cache: ") + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace orvane::duplicates
