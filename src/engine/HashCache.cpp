#include "engine/HashCache.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace orvane::engine {

namespace {

// Changed whenever the signature changes meaning, so an old cache is never mistaken for a new.
constexpr std::size_t kRecordSize = 8 * 4 + 1 + 4 + 4 + 8 * kZoomCount + kThumbBytes * kZoomCount;
// Beyond this many entries, those the last scan did not touch are dropped first.
constexpr std::size_t kMaxEntries = 400'000;
constexpr files::RecordFormat kFormat{"ORVANE-PHOTO-SIGNATURES-4\n", kRecordSize, kMaxEntries,
                                      "signature cache"};

using files::recordGet32;
using files::recordGet64;
using files::recordPut32;
using files::recordPut64;

}  // namespace

HashCache::HashCache(std::string path) : path_(std::move(path)) {}

std::optional<std::optional<ImageSignature>> HashCache::find(const FileKey& key) const {
    std::lock_guard lock(mutex_);
    const auto it = slots_.find({key.device, key.inode});
    if (it == slots_.end() || !(it->second.key == key)) return std::nullopt;
    it->second.used = true;
    if (!it->second.readable) return std::optional<ImageSignature>{};
    return std::optional<ImageSignature>{it->second.signature};
}

void HashCache::store(const FileKey& key, const std::optional<ImageSignature>& signature) {
    std::lock_guard lock(mutex_);
    Slot& slot = slots_[{key.device, key.inode}];
    slot.key = key;
    slot.used = true;
    slot.readable = signature.has_value();
    slot.signature = signature.value_or(ImageSignature{});
}

std::size_t HashCache::size() const {
    std::lock_guard lock(mutex_);
    return slots_.size();
}

bool HashCache::write(const files::RecordWriter::Sink& sink) const {
    std::lock_guard lock(mutex_);
    std::vector<const Slot*> keep;
    keep.reserve(slots_.size());
    for (const auto& [k, slot] : slots_)
        if (slot.used) keep.push_back(&slot);
    for (const auto& [k, slot] : slots_)
        if (!slot.used && keep.size() < kMaxEntries) keep.push_back(&slot);
    if (keep.size() > kMaxEntries) keep.resize(kMaxEntries);

    files::RecordWriter writer(kFormat, keep.size(), sink);
    std::string& out = writer.buffer();
    for (const Slot* s : keep) {
        recordPut64(out, s->key.device);
        recordPut64(out, s->key.inode);
        recordPut64(out, s->key.size);
        recordPut64(out, static_cast<std::uint64_t>(s->key.modifiedNanoseconds));
        out.push_back(s->readable ? 1 : 0);
        recordPut32(out, s->signature.width);
        recordPut32(out, s->signature.height);
        for (const std::uint64_t h : s->signature.hashes) recordPut64(out, h);
        for (const auto& t : s->signature.thumbs)
            out.append(reinterpret_cast<const char*>(t.data()), t.size());
        writer.endRecord();
    }
    return writer.finish();
}

std::string HashCache::serialise() const {
    std::string bytes;
    write([&](const char* data, std::size_t size) {
        bytes.append(data, size);
        return true;
    });
    return bytes;
}

bool HashCache::parse(std::string_view bytes, std::string* error) {
    const auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    const auto records = files::parseRecords(bytes, kFormat, error);
    if (!records) return false;
    decltype(slots_) slots;
    slots.reserve(static_cast<std::size_t>(records->count()));
    for (std::uint64_t i = 0; i < records->count(); ++i) {
        const unsigned char* p = records->record(i);
        Slot s;
        s.key.device = recordGet64(p);
        s.key.inode = recordGet64(p + 8);
        s.key.size = recordGet64(p + 16);
        s.key.modifiedNanoseconds = static_cast<std::int64_t>(recordGet64(p + 24));
        if (p[32] > 1) return fail("damaged: bad record");
        s.readable = p[32] == 1;
        s.signature.width = recordGet32(p + 33);
        s.signature.height = recordGet32(p + 37);
        const unsigned char* q = p + 41;
        for (auto& h : s.signature.hashes) {
            h = recordGet64(q);
            q += 8;
        }
        for (auto& t : s.signature.thumbs) {
            std::memcpy(t.data(), q, t.size());
            q += t.size();
        }
        slots[{s.key.device, s.key.inode}] = s;
    }
    std::lock_guard lock(mutex_);
    slots_ = std::move(slots);
    return true;
}

bool HashCache::load(std::string* error) {
    std::string bytes;
    if (!files::readRecordFile(path_, kFormat, bytes, error)) return false;
    if (bytes.empty()) return true;  // no cache yet: every image is decoded
    return parse(bytes, error);
}

bool HashCache::save(std::string* error) {
    return files::saveRecordFile(
        path_, [this](const files::RecordWriter::Sink& sink) { return write(sink); }, error);
}

std::string defaultHashCachePath() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        base = std::string(home) + "/.cache";
    } else {
        base = "/tmp";
    }
    return base + "/com.orvane.app/photo-signatures";
}

}  // namespace orvane::engine
