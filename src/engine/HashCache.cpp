#include "engine/HashCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace orvane::engine {

namespace {

// Bumped whenever the signature changes meaning, so an old cache is never mistaken for a new.
constexpr std::string_view kMagic = "ORVANE-PHOTO-SIGNATURES-3\n";
constexpr std::size_t kRecordSize = 8 * 4 + 1 + 4 + 4 + 8 * kZoomCount + kThumbBytes * kZoomCount;
// Beyond this many entries, those the last scan did not touch are dropped first.
constexpr std::size_t kMaxEntries = 400'000;

void put64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
std::uint64_t get64(const unsigned char* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}
std::uint32_t get32(const unsigned char* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

bool readWhole(const std::string& path, std::string& out, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (error) *error = "not a regular file";
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

std::string HashCache::serialise() const {
    std::lock_guard lock(mutex_);
    std::vector<const Slot*> keep;
    keep.reserve(slots_.size());
    for (const auto& [k, slot] : slots_)
        if (slot.used) keep.push_back(&slot);
    for (const auto& [k, slot] : slots_)
        if (!slot.used && keep.size() < kMaxEntries) keep.push_back(&slot);
    if (keep.size() > kMaxEntries) keep.resize(kMaxEntries);

    std::string out(kMagic);
    put64(out, keep.size());
    out.reserve(out.size() + keep.size() * kRecordSize);
    for (const Slot* s : keep) {
        put64(out, s->key.device);
        put64(out, s->key.inode);
        put64(out, s->key.size);
        put64(out, static_cast<std::uint64_t>(s->key.modifiedNanoseconds));
        out.push_back(s->readable ? 1 : 0);
        put32(out, s->signature.width);
        put32(out, s->signature.height);
        for (const std::uint64_t h : s->signature.hashes) put64(out, h);
        for (const auto& t : s->signature.thumbs)
            out.append(reinterpret_cast<const char*>(t.data()), t.size());
    }
    return out;
}

bool HashCache::parse(std::string_view bytes, std::string* error) {
    const auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    if (bytes.substr(0, kMagic.size()) != kMagic)
        return fail("not a signature cache of this version");
    bytes.remove_prefix(kMagic.size());
    if (bytes.size() < 8) return fail("truncated");
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::uint64_t count = get64(p);
    bytes.remove_prefix(8);
    if (count > kMaxEntries || bytes.size() != count * kRecordSize)
        return fail("damaged: wrong length");
    p = reinterpret_cast<const unsigned char*>(bytes.data());
    decltype(slots_) slots;
    slots.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i, p += kRecordSize) {
        Slot s;
        s.key.device = get64(p);
        s.key.inode = get64(p + 8);
        s.key.size = get64(p + 16);
        s.key.modifiedNanoseconds = static_cast<std::int64_t>(get64(p + 24));
        if (p[32] > 1) return fail("damaged: bad record");
        s.readable = p[32] == 1;
        s.signature.width = get32(p + 33);
        s.signature.height = get32(p + 37);
        const unsigned char* q = p + 41;
        for (auto& h : s.signature.hashes) {
            h = get64(q);
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
    if (!readWhole(path_, bytes, error)) return false;
    return parse(bytes, error);
}

bool HashCache::save(std::string* error) {
    const auto slash = path_.rfind('/');
    if (slash != std::string::npos && slash > 0 && !makeFolders(path_.substr(0, slash))) {
        if (error) *error = std::string("cannot create the cache folder: ") + std::strerror(errno);
        return false;
    }
    const std::string bytes = serialise();
    const std::string temp = path_ + ".tmp." + std::to_string(::getpid());
    const int fd =
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    const bool closed = ::close(fd) == 0;
    if (written != bytes.size() || !closed || ::rename(temp.c_str(), path_.c_str()) != 0) {
        if (error) *error = std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
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
