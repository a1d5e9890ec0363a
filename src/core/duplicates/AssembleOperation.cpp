#include "core/duplicates/AssembleOperation.h"

#include <fcntl.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "core/duplicates/Md5File.h"
#include "core/duplicates/PathOrder.h"

namespace orvane::duplicates {

namespace {

// Remembers what was computed for each inode, so the second name of a hard link costs nothing.
template <class Value>
class InodeMemo {
public:
    const std::optional<Value>* find(const ResourceValueURL& file) const {
        const auto id = file.resourceValues.fileResourceIdentifier();
        if (!id) return nullptr;
        auto it = memo_.find(*id);
        return it == memo_.end() ? nullptr : &it->second;
    }
    void store(const ResourceValueURL& file, const std::optional<Value>& value) {
        if (const auto id = file.resourceValues.fileResourceIdentifier()) memo_.emplace(*id, value);
    }

private:
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::optional<Value>> memo_;
};

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

}  // namespace

// Files opened for sampling stay open for their digest, so each name is looked up once. Only
// for groups small enough that a few operations at once stay far from the descriptor limit.
class FileHandles {
public:
    static constexpr std::size_t kKeepOpen = 64;

    explicit FileHandles(std::size_t count)
        : keep_(count <= kKeepOpen), fds_(keep_ ? count : 0, -1) {}
    ~FileHandles() {
        for (int fd : fds_)
            if (fd >= 0) ::close(fd);
    }
    FileHandles(const FileHandles&) = delete;
    FileHandles& operator=(const FileHandles&) = delete;

    // Calls `use` with an open descriptor of file i, or returns `failed` when it cannot be
    // opened.
    template <class F, class R>
    R with(std::size_t i, const std::string& path, R failed, F&& use) {
        int fd = keep_ ? fds_[i] : -1;
        if (fd < 0) {
            fd = ContentReader::open(path);
            if (fd < 0) return failed;
            if (keep_) fds_[i] = fd;
        }
        R result = use(fd);
        if (!keep_) ::close(fd);
        return result;
    }
    void close(std::size_t i) {
        if (keep_ && fds_[i] >= 0) {
            ::close(fds_[i]);
            fds_[i] = -1;
        }
    }

private:
    bool keep_;
    std::vector<int> fds_;
};

namespace {}  // namespace

AssembleOperation::AssembleOperation(std::vector<ResourceValueURL> files, std::int64_t groupSize,
                                     const std::atomic<bool>* scanStop)
    : data(std::move(files)), size(groupSize), scanStop_(scanStop) {}

bool AssembleOperation::stopped() const {
    return isCancelled() || (scanStop_ && scanStop_->load(std::memory_order_relaxed)) ||
           (cachedOnly && ContentReader::wouldHaveBlocked());
}

void AssembleOperation::compareInMemory(const std::vector<std::size_t>& toDigest,
                                        std::uint64_t bytes, bool announced, FileHandles& files,
                                        std::vector<Digested>& digests) {
    // One block holds every file of the group, each with a spare byte that shows growth.
    const std::size_t stride = static_cast<std::size_t>(bytes) + 1;
    thread_local std::vector<std::uint8_t> room;
    room.resize(std::max(room.size(), toDigest.size() * stride));
    auto at = [&](std::size_t k) { return room.data() + k * stride; };

    std::vector<std::pair<std::uint64_t, std::size_t>> prints;   // (fingerprint, slot)
    std::vector<std::size_t> linkOf(toDigest.size(), SIZE_MAX);  // slot read for a hard link
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::size_t> firstOfInode;
    for (std::size_t k = 0; k < toDigest.size(); ++k) {
        if (stopped()) break;
        const std::size_t i = toDigest[k];
        if (const auto id = data[i].resourceValues.fileResourceIdentifier()) {
            auto [it, fresh] = firstOfInode.emplace(*id, k);
            if (!fresh) {
                linkOf[k] = it->second;
                continue;
            }
        }
        if (!announced && assemblingBlock) assemblingBlock(data[i].url);
        const bool read = files.with(i, data[i].url, false, [&](int fd) {
            return ContentReader::readWhole(fd, bytes, at(k));
        });
        if (read) prints.emplace_back(XXH3_64bits(at(k), static_cast<std::size_t>(bytes)), k);
    }
    std::sort(prints.begin(), prints.end());

    // Sets of byte-identical files: equal fingerprints are confirmed by comparing the bytes.
    std::vector<std::vector<std::size_t>> sets;
    for (std::size_t a = 0; a < prints.size();) {
        std::size_t b = a + 1;
        while (b < prints.size() && prints[b].first == prints[a].first) ++b;
        const std::size_t firstSet = sets.size();
        for (std::size_t p = a; p < b; ++p) {
            const std::size_t k = prints[p].second;
            bool placed = false;
            for (std::size_t s = firstSet; s < sets.size() && !placed; ++s) {
                if (std::memcmp(at(sets[s].front()), at(k), static_cast<std::size_t>(bytes)) == 0) {
                    sets[s].push_back(k);
                    placed = true;
                }
            }
            if (!placed) sets.push_back({k});
        }
        a = b;
    }
    std::vector<std::vector<std::size_t>> links(toDigest.size());
    for (std::size_t k = 0; k < toDigest.size(); ++k)
        if (linkOf[k] != SIZE_MAX) links[linkOf[k]].push_back(k);

    // A set's files share one MD5; computing it once serves them all.
    for (std::size_t s = 0; s < sets.size(); ++s) {
        std::size_t members = 0;
        for (std::size_t k : sets[s]) members += 1 + links[k].size();
        if (members < 2) continue;
        const ContentDigest digest{
            ContentReader::md5(at(sets[s].front()), static_cast<std::size_t>(bytes)), {}};
        const auto contentClass = static_cast<std::uint32_t>(s + 1);
        for (std::size_t k : sets[s]) {
            digests.push_back({digest, contentClass, toDigest[k]});
            for (std::size_t l : links[k]) digests.push_back({digest, contentClass, toDigest[l]});
        }
    }
    // Keep a big block only while groups need it.
    if (room.size() > kInMemoryFile) std::vector<std::uint8_t>().swap(room);
}

void AssembleOperation::main() {
    ContentReader::setCachedOnly(cachedOnly);
    struct Restore {
        ~Restore() { ContentReader::setCachedOnly(false); }
    } restore;
    if (stopped()) return;
    const bool partial = size > kRecheckAbove;
    const auto bytes = static_cast<std::uint64_t>(std::max<std::int64_t>(size, 0));

    std::vector<Digested> digests;
    digests.reserve(data.size());
    auto announce = [this](const std::string& path) {
        if (assemblingBlock) assemblingBlock(path);
    };

    if (bytes == 0) {
        // Empty files are equal without reading anything.
        for (std::size_t i = 0; i < data.size(); ++i) {
            if (stopped()) break;
            if (!exists(data[i].url)) continue;
            announce(data[i].url);
            digests.push_back({ContentDigest{}, 0, i});
        }
    } else {
        std::vector<std::size_t> toDigest;
        FileHandles files(data.size());
        if (bytes <= ContentReader::kWholeReadLimit || data.size() < 2) {
            for (std::size_t i = 0; i < data.size(); ++i) toDigest.push_back(i);
        } else {
            // Sample first: most files of equal size but different content part here.
            std::vector<std::pair<std::uint64_t, std::size_t>> samples;
            samples.reserve(data.size());
            InodeMemo<std::uint64_t> memo;
            for (std::size_t i = 0; i < data.size(); ++i) {
                if (stopped()) break;
                std::optional<std::uint64_t> sample;
                if (const auto* known = memo.find(data[i])) {
                    sample = *known;
                } else {
                    announce(data[i].url);
                    sample = files.with(i, data[i].url, std::optional<std::uint64_t>{},
                                        [&](int fd) { return ContentReader::sample(fd, bytes); });
                    memo.store(data[i], sample);
                }
                if (sample) samples.emplace_back(*sample, i);
            }
            std::sort(samples.begin(), samples.end());
            for (std::size_t a = 0; a < samples.size();) {
                std::size_t b = a + 1;
                while (b < samples.size() && samples[b].first == samples[a].first) ++b;
                for (std::size_t k = a; k < b; ++k) {
                    if (b - a >= 2) toDigest.push_back(samples[k].second);
                    else files.close(samples[k].second);
                }
                a = b;
            }
            std::sort(toDigest.begin(), toDigest.end());
        }
        const bool sampled = bytes > ContentReader::kWholeReadLimit && data.size() >= 2;
        if (bytes <= kInMemoryFile && toDigest.size() >= 2 &&
            toDigest.size() * (bytes + 1) <= kInMemoryGroup) {
            compareInMemory(toDigest, bytes, sampled, files, digests);
            toDigest.clear();
        }
        InodeMemo<ContentDigest> memo;
        const std::function<bool()> stop = [this] { return stopped(); };
        for (std::size_t i : toDigest) {
            if (stopped()) break;
            std::optional<ContentDigest> digest;
            if (const auto* known = memo.find(data[i])) {
                digest = *known;
            } else {
                if (!sampled) announce(data[i].url);
                digest = files.with(i, data[i].url, std::optional<ContentDigest>{},
                                    [&](int fd) { return ContentReader::digest(fd, bytes, stop); });
                memo.store(data[i], digest);
            }
            if (digest) digests.push_back({*digest, 0, i});
        }
    }

    if (cachedOnly && ContentReader::wouldHaveBlocked()) {
        deferred = true;
        return;
    }
    auto key = [](const Digested& d) { return std::tie(d.digest, d.contentClass); };
    std::sort(digests.begin(), digests.end(),
              [&](const Digested& x, const Digested& y) { return key(x) < key(y); });
    for (std::size_t a = 0; a < digests.size();) {
        std::size_t b = a + 1;
        while (b < digests.size() && key(digests[b]) == key(digests[a])) ++b;
        if (b - a >= 2) {
            std::vector<std::size_t> members;
            for (std::size_t k = a; k < b; ++k) {
                const std::size_t i = digests[k].index;
                if (partial) {
                    // Reading gigabytes takes long enough for files to go away meanwhile.
                    if (stopped()) break;
                    if (!exists(data[i].url)) continue;
                }
                members.push_back(i);
            }
            if (partial && stopped() && members.size() < 2) return;
            if (members.size() >= 2) {
                std::sort(members.begin(), members.end(), [this](std::size_t x, std::size_t y) {
                    return pathLess(data[x].url, data[y].url);
                });
                auto group = std::make_shared<DuplicateFiles>();
                group->_infos.reserve(members.size());
                // Hard links are one file under several names: their bytes count once, as
                // removing a name frees nothing while another remains.
                std::set<std::pair<std::uint64_t, std::uint64_t>> counted;
                for (std::size_t i : members) {
                    group->_infos.push_back(std::make_shared<FileInfo>(data[i], bytes));
                    const auto id = data[i].resourceValues.fileResourceIdentifier();
                    if (!id || counted.insert(*id).second) group->totalSize += bytes;
                }
                if (assembleBlock) assembleBlock(std::move(group));
            }
        }
        a = b;
    }
}

}  // namespace orvane::duplicates
