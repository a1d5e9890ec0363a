#include "engine/SimilarGroups.h"

#include <algorithm>
#include <bit>
#include <mutex>
#include <numeric>
#include <thread>

namespace orvane::engine {

namespace {

// Five pieces of 13, 13, 13, 13 and 12 bits: at the usual radius of 8 bits two near hashes
// agree within one bit on some piece, so a lookup tries 14 buckets per piece.
constexpr int kPieces = 5;
constexpr int kPieceBits = 13;
constexpr std::size_t kBuckets = std::size_t{1} << kPieceBits;

std::uint32_t piece(std::uint64_t hash, int i) {
    return static_cast<std::uint32_t>((hash >> (i * kPieceBits)) & (kBuckets - 1));
}

// Every 13-bit mask of at most `bits` set bits, fewest bits first.
std::vector<std::uint16_t> masksUpTo(int bits) {
    std::vector<std::uint16_t> masks;
    for (std::uint32_t m = 0; m < kBuckets; ++m)
        if (std::popcount(m) <= bits) masks.push_back(static_cast<std::uint16_t>(m));
    std::stable_sort(masks.begin(), masks.end(), [](std::uint16_t a, std::uint16_t b) {
        return std::popcount(a) < std::popcount(b);
    });
    return masks;
}

struct Entry {
    std::uint64_t hash;
    std::uint32_t image;
    std::uint32_t zoom;
};

// One table per piece; each table is a bucket array over the piece's 65,536 values whose
// entries are stored inline, bucket after bucket, so a probe reads one short contiguous run.
class HashIndex {
public:
    explicit HashIndex(const std::vector<Entry>& entries) {
        for (int p = 0; p < kPieces; ++p) {
            auto& offsets = offsets_[p];
            auto& items = items_[p];
            offsets.assign(kBuckets + 1, 0);
            for (const Entry& e : entries) ++offsets[piece(e.hash, p) + 1];
            std::partial_sum(offsets.begin(), offsets.end(), offsets.begin());
            items.resize(entries.size());
            std::vector<std::uint32_t> fill(offsets.begin(), offsets.end() - 1);
            for (const Entry& e : entries) items[fill[piece(e.hash, p)]++] = e;
        }
    }

    template <class F>
    void query(std::uint64_t hash, int radius, const std::vector<std::uint16_t>& masks,
               F&& visit) const {
        for (int p = 0; p < kPieces; ++p) {
            const std::uint32_t key = piece(hash, p);
            const auto& offsets = offsets_[p];
            const Entry* items = items_[p].data();
            for (const std::uint16_t m : masks) {
                const std::uint32_t b = key ^ m;
                for (std::uint32_t k = offsets[b]; k < offsets[b + 1]; ++k)
                    if (std::popcount(items[k].hash ^ hash) <= radius) visit(items[k]);
            }
        }
    }

private:
    std::vector<std::uint32_t> offsets_[kPieces];
    std::vector<Entry> items_[kPieces];
};

struct DisjointSets {
    std::vector<std::size_t> parent;
    explicit DisjointSets(std::size_t n) : parent(n) { std::iota(parent.begin(), parent.end(), 0); }
    std::size_t find(std::size_t x) {
        while (parent[x] != x) x = parent[x] = parent[parent[x]];
        return x;
    }
    void join(std::size_t a, std::size_t b) {
        a = find(a);
        b = find(b);
        if (a != b) parent[std::max(a, b)] = std::min(a, b);
    }
};

}  // namespace

int candidateRadius(double threshold) {
    if (threshold >= 85) return 8;
    if (threshold >= 70) return 11;
    return 15;
}

std::vector<std::vector<std::size_t>> findSimilarGroups(
    const std::vector<const ImageSignature*>& signatures, double threshold,
    const std::atomic<bool>* stop, const std::function<void(double)>& progress, unsigned threads) {
    const std::size_t n = signatures.size();
    if (n < 2) return {};
    const int radius = candidateRadius(threshold);
    const auto masks = masksUpTo(radius / kPieces);

    // Every framing of every picture, and the whole pictures alone: a whole picture is looked
    // up among all framings, a centre crop only among whole pictures.
    std::vector<Entry> entries, whole;
    entries.reserve(n * kZoomCount);
    whole.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        for (int z = 0; z < kZoomCount; ++z) {
            const Entry e{signatures[i]->hashes[z], static_cast<std::uint32_t>(i),
                          static_cast<std::uint32_t>(z)};
            entries.push_back(e);
            if (z == 0) whole.push_back(e);
        }
    const HashIndex index(entries), wholeIndex(whole);
    entries = {};
    whole = {};

    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, n));
    std::vector<std::vector<std::pair<std::size_t, std::size_t>>> pairs(threads);
    std::atomic<std::size_t> next{0}, done{0};
    std::mutex progressMutex;
    const auto work = [&](unsigned t) {
        std::vector<std::uint32_t> seen(n, UINT32_MAX);
        for (;;) {
            if (stop && stop->load(std::memory_order_relaxed)) return;
            const std::size_t i = next.fetch_add(1);
            if (i >= n) return;
            const auto& si = *signatures[i];
            // A pair needs one side seen whole; the other may be seen at any framing.
            const auto consider = [&](const Entry& e) {
                const std::size_t j = e.image;
                if (j <= i || seen[j] == i) return;
                seen[j] = static_cast<std::uint32_t>(i);
                if (similarity(si, *signatures[j]) >= threshold) pairs[t].emplace_back(i, j);
            };
            index.query(si.hashes[0], radius, masks, consider);
            for (int z = 1; z < kZoomCount; ++z)
                wholeIndex.query(si.hashes[z], radius, masks, consider);
            const std::size_t d = done.fetch_add(1) + 1;
            if (progress && (d % 1024 == 0 || d == n)) {
                std::lock_guard lock(progressMutex);
                progress(static_cast<double>(d) / static_cast<double>(n));
            }
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work, t);
    work(0);
    for (auto& th : pool) th.join();

    DisjointSets sets(n);
    for (const auto& list : pairs)
        for (const auto& [a, b] : list) sets.join(a, b);
    std::vector<std::vector<std::size_t>> byRoot(n);
    for (std::size_t i = 0; i < n; ++i) byRoot[sets.find(i)].push_back(i);
    std::vector<std::vector<std::size_t>> groups;
    for (auto& members : byRoot)
        if (members.size() > 1) groups.push_back(std::move(members));
    return groups;
}

}  // namespace orvane::engine
