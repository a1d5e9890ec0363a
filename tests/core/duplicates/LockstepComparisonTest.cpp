// Side-by-side comparison must give exactly the sets a plain byte comparison gives, read each
// byte at most once, stay within its buffer and hold no file open that it no longer needs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/duplicates/AssembleOperation.h"
#include "core/duplicates/LockstepComparison.h"
#include "core/duplicates/Md5File.h"
#include "support/TempTree.h"

using namespace orvane::duplicates;
using orvane::testing::TempTree;

namespace {

using Sets = std::set<std::vector<std::size_t>>;

// Reads real files through open descriptors, counting bytes per file and descriptors open.
struct FileBench {
    std::vector<std::string> paths;
    std::vector<int> fds;
    std::vector<std::uint64_t> bytesRead;
    int open = 0, maxOpen = 0;
    std::set<std::size_t> released;

    explicit FileBench(std::vector<std::string> p)
        : paths(std::move(p)), fds(paths.size(), -1), bytesRead(paths.size(), 0) {}
    ~FileBench() {
        for (int fd : fds)
            if (fd >= 0) ::close(fd);
    }
    int fd(std::size_t m) {
        EXPECT_EQ(released.count(m), 0u) << "read after release: " << m;
        if (fds[m] < 0) {
            fds[m] = ::open(paths[m].c_str(), O_RDONLY | O_CLOEXEC);
            if (fds[m] >= 0) maxOpen = std::max(maxOpen, ++open);
        }
        return fds[m];
    }
    Sets split(std::uint64_t size, LockstepComparison::Limits limits,
               const std::function<bool()>& stop = {}) {
        LockstepComparison c(size, limits);
        auto sets = c.split(
            paths.size(),
            [&](std::size_t m, std::uint64_t offset, std::uint8_t* into, std::size_t length) {
                const int f = fd(m);
                bytesRead[m] += length;
                return f >= 0 && ContentReader::readAt(f, offset, into, length);
            },
            [&](std::size_t m) {
                const int f = fd(m);
                return f >= 0 && ContentReader::endsAt(f, size);
            },
            [&](std::size_t m) {
                if (fds[m] >= 0) {
                    ::close(fds[m]);
                    fds[m] = -1;
                    --open;
                }
                released.insert(m);
            },
            stop);
        return {sets.begin(), sets.end()};
    }
};

// The sets of equal bytes among files expected to have `size` bytes, the obvious way.
Sets bruteForce(const TempTree& t, const std::vector<std::string>& rels, std::uint64_t size) {
    std::map<std::string, std::vector<std::size_t>> byContent;
    for (std::size_t m = 0; m < rels.size(); ++m) {
        if (!t.exists(rels[m])) continue;
        const std::string bytes = t.read(rels[m]);
        if (bytes.size() == size) byContent[bytes].push_back(m);
    }
    Sets sets;
    for (auto& [bytes, members] : byContent) sets.insert(members);
    return sets;
}

}  // namespace

TEST(LockstepComparison, RandomFilesSplitExactlyAsAByteComparisonDoes) {
    std::mt19937 rng(7);
    for (int round = 0; round < 60; ++round) {
        TempTree t;
        // Sizes around chunk boundaries as well as odd ones; small limits give many chunks.
        const std::uint64_t sizes[] = {1, 4095, 4096, 4097, 12288, 20000 + rng() % 50000};
        const std::uint64_t size = sizes[rng() % 6];
        std::vector<std::string> bases;
        for (int b = 0; b < 1 + static_cast<int>(rng() % 3); ++b) {
            std::string s(size, '\0');
            for (auto& c : s) c = static_cast<char>(rng() % 3);  // few values: chunks often agree
            bases.push_back(s);
        }
        const std::size_t count = 2 + rng() % 14;
        std::vector<std::string> rels, paths;
        for (std::size_t m = 0; m < count; ++m) {
            std::string s = bases[rng() % bases.size()];
            switch (rng() % 6) {
                case 0: s[0] ^= 1; break;
                case 1: s[s.size() - 1] ^= 1; break;
                case 2: s[(4096 * (1 + rng() % 8)) % s.size()] ^= 1; break;  // at a boundary
                case 3: s.push_back('+'); break;                             // grew
                case 4:
                    if (rng() % 3 == 0) s.pop_back();  // shrank
                    break;
                default: break;
            }
            rels.push_back("f" + std::to_string(m));
            paths.push_back(rng() % 20 == 0 ? t.path("missing") : t.file(rels.back(), s));
            if (paths.back() == t.path("missing")) rels.back() = "missing";
        }
        LockstepComparison::Limits limits;
        limits.bufferBytes = 4096 * (1 + rng() % 6);
        limits.maxChunk = 4096 * (1 + rng() % 3);
        limits.minChunk = 4096;
        FileBench bench(paths);
        // A file left alone early is not read to its end, so one that grew may still stand
        // alone; every set of two or more is exact.
        const Sets got = bench.split(size, limits);
        auto multi = [](const Sets& sets) {
            Sets out;
            for (const auto& s : sets)
                if (s.size() >= 2) out.insert(s);
            return out;
        };
        EXPECT_EQ(multi(got), multi(bruteForce(t, rels, size))) << "round " << round;
        std::set<std::size_t> seen;
        for (const auto& s : got)
            for (std::size_t m : s) EXPECT_TRUE(seen.insert(m).second) << "in two sets: " << m;
        for (std::size_t m = 0; m < count; ++m) {
            EXPECT_LE(bench.bytesRead[m], size) << "a byte read twice, round " << round;
            EXPECT_LT(bench.fds[m], 0) << "left open, round " << round;
        }
    }
}

TEST(LockstepComparison, StopsReadingAFileOnceItIsAloneAndBoundsItsBuffer) {
    TempTree t;
    const std::uint64_t size = 1 << 20;
    std::string same(size, 's'), early = same;
    early[10] = 'e';
    FileBench bench({t.file("a", same), t.file("b", same), t.file("c", early)});
    LockstepComparison::Limits limits;
    limits.bufferBytes = 96 * 1024;
    limits.maxChunk = 64 * 1024;
    EXPECT_EQ(bench.split(size, limits), (Sets{{0, 1}, {2}}));
    EXPECT_EQ(bench.bytesRead[2], 32u * 1024) << "the differing file: its first chunk only";
    EXPECT_EQ(bench.bytesRead[0], size);

    LockstepComparison many(size, limits);
    EXPECT_EQ(many.chunkFor(3), 32u * 1024);
    EXPECT_EQ(many.chunkFor(1000), limits.minChunk) << "never below the smallest read";
    EXPECT_EQ(many.chunkFor(1), 64u * 1024) << "never above the largest";
    EXPECT_EQ(LockstepComparison(100, limits).chunkFor(2), 100u) << "no more than the file";
}

TEST(LockstepComparison, AStopEndsWithNoSetsAndReleasesEveryFile) {
    TempTree t;
    const std::uint64_t size = 256 * 1024;
    FileBench bench({t.fileOfSize("a", size), t.fileOfSize("b", size), t.fileOfSize("c", size)});
    int asked = 0;
    LockstepComparison::Limits limits;
    limits.maxChunk = 16 * 1024;
    EXPECT_TRUE(bench.split(size, limits, [&] { return ++asked > 2; }).empty());
    EXPECT_EQ(bench.open, 0);
    EXPECT_EQ(bench.released.size(), 3u);
}

TEST(AssembleOperationLockstep, LargeGroupsBeyondTheOpenFileBoundGroupExactly) {
    // More members than stay open at once, files above the in-memory bound, differences deep
    // inside, at chunk boundaries and in the last byte, and a hard link.
    TempTree t;
    const std::size_t size = AssembleOperation::kInMemoryFile + 5000;
    std::mt19937 rng(3);
    std::string base(size, 'z');
    for (auto& c : base) c = static_cast<char>('a' + rng() % 2);
    std::vector<ResourceValueURL> data;
    std::map<std::string, std::vector<std::string>> byContent;
    for (int i = 0; i < 80; ++i) {
        std::string s = base;
        const int variant = i % 5;
        if (variant == 1) s[size - 1] ^= 1;
        if (variant == 2) s[16 * 1024] ^= 1;  // at a chunk boundary, between samples
        if (variant == 3) s[size - 9000] ^= 1;
        const std::string p = t.file("f" + std::to_string(100 + i), s);
        byContent[s].push_back(p);
    }
    const std::string link = t.hardlink("f100", "link");
    byContent[t.read("f100")].push_back(link);
    for (auto& [content, paths] : byContent) {
        std::sort(paths.begin(), paths.end());
        for (const auto& p : paths) {
            struct stat st {};
            ::lstat(p.c_str(), &st);
            ResourceValueURL r{p, {}};
            r.resourceValues.setFileIdentifier(st.st_dev, st.st_ino);
            data.push_back(r);
        }
    }
    std::shuffle(data.begin(), data.end(), rng);
    std::set<std::vector<std::string>> expected;
    for (auto& [content, paths] : byContent)
        if (paths.size() >= 2) expected.insert(paths);
    ASSERT_EQ(expected.size(), 4u);
    // 64 files side by side, so batches carrying one file per content; then 4, so that the
    // contents found outnumber what a batch can carry and the rest join by digest.
    for (std::size_t budget : {1024 * 1024, 64 * 1024}) {
        auto op = std::make_shared<AssembleOperation>(data, static_cast<std::int64_t>(size));
        op->limits.bufferBytes = budget;
        std::set<std::vector<std::string>> got;
        op->assembleBlock = [&](DuplicateFilesPtr g) {
            std::vector<std::string> members;
            for (const auto& f : g->infos()) members.push_back(f->path());
            std::sort(members.begin(), members.end());
            got.insert(members);
        };
        op->start();
        EXPECT_EQ(got, expected) << budget;
    }
}
