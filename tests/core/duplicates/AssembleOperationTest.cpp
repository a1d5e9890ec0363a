#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "core/duplicates/AssembleOperation.h"
#include "core/duplicates/PathOrder.h"
#include "core/files/FileInfo.h"
#include "support/TempTree.h"

using namespace orvane::duplicates;
using orvane::testing::TempTree;

namespace {

ResourceValueURL item(const std::string& path) {
    ResourceValueURL r{path, {}};
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) r.resourceValues.setFileIdentifier(st.st_dev, st.st_ino);
    return r;
}

// Runs one operation the way a queue would and returns the delivered groups as path lists.
std::vector<std::vector<std::string>> run(std::vector<std::string> paths, std::int64_t size,
                                          const std::atomic<bool>* stop = nullptr,
                                          std::vector<std::string>* announced = nullptr) {
    std::vector<ResourceValueURL> data;
    for (auto& p : paths) data.push_back(item(p));
    auto op = std::make_shared<AssembleOperation>(std::move(data), size, stop);
    std::vector<std::vector<std::string>> groups;
    op->assembleBlock = [&](DuplicateFilesPtr g) {
        std::vector<std::string> members;
        std::uint64_t total = 0;
        std::set<ino_t> inodes;
        for (auto& info : g->infos()) {
            members.push_back(info->path());
            struct stat st {};
            ::lstat(info->path().c_str(), &st);
            if (inodes.insert(st.st_ino).second) total += info->size();  // hard links once
            EXPECT_FALSE(info->selected);
            EXPECT_FALSE(info->deleted);
        }
        EXPECT_EQ(g->totalSize, total);
        groups.push_back(members);
    };
    op->assemblingBlock = [&](const std::string& p) {
        if (announced) announced->push_back(p);
    };
    op->start();
    std::sort(groups.begin(), groups.end());
    return groups;
}

using Groups = std::vector<std::vector<std::string>>;

}  // namespace

TEST(AssembleOperation, ThreeFilesTwoEqualGiveOneGroupOfTwo) {
    TempTree t;
    auto a = t.file("a", "same!"), b = t.file("b", "same!"), c = t.file("c", "other");
    EXPECT_EQ(run({a, b, c}, 5), (Groups{{a, b}}));
}

TEST(AssembleOperation, TwoPairsGiveTwoGroupsInPathOrder) {
    TempTree t;
    for (std::uint64_t size : {10ull, 50000ull}) {  // read whole, and sampled first
        const std::string s = std::to_string(size);
        auto p1 = t.fileOfSize("z" + s, size, 'x'), p2 = t.fileOfSize("a" + s, size, 'x');
        auto q1 = t.fileOfSize("m" + s, size, 'y'), q2 = t.fileOfSize("b" + s, size, 'y');
        EXPECT_EQ(run({p1, q1, p2, q2}, static_cast<std::int64_t>(size)),
                  (Groups{{p2, p1}, {q2, q1}}));
    }
}

TEST(AssembleOperation, FilesDifferingOnlyBetweenTheSampledBlocksAreNotGrouped) {
    TempTree t;
    const std::size_t n = 3 * 1024 * 1024;
    std::string base(n, 'k');
    std::string changed = base;
    changed[n / 4] = 'j';
    std::string last = base;
    last[n - 1] = 'j';
    auto a = t.file("a", base), b = t.file("b", changed), c = t.file("c", base),
         d = t.file("d", last);
    EXPECT_EQ(run({a, b, c, d}, static_cast<std::int64_t>(n)), (Groups{{a, c}}));
}

TEST(AssembleOperation, VanishedUnreadableAndResizedFilesAreInNoGroup) {
    TempTree t;
    auto a = t.file("a", "content"), b = t.file("b", "content"), c = t.file("c", "content");
    auto d = t.file("d", "content");
    auto gone = t.path("gone");
    t.file("d", "content and more");  // changed size after the scan
    auto dir = t.dir("x");
    EXPECT_EQ(run({a, b, gone, d, dir}, 7), (Groups{{a, b}}));
    (void)c;
    // A file that cannot be opened is left out rather than grouped with other failures.
    if (::geteuid() != 0) {
        t.chmod("a", 0);
        t.chmod("b", 0);
        EXPECT_EQ(run({a, b, c}, 7), Groups{});
    }
}

TEST(AssembleOperation, HardLinksAreDuplicatesAndAreReadOnce) {
    TempTree t;
    auto a = t.fileOfSize("a", 70000, 'h');
    auto b = t.hardlink("a", "b");
    auto c = t.fileOfSize("c", 70000, 'h');
    std::vector<std::string> announced;
    EXPECT_EQ(run({a, b, c}, 70000, nullptr, &announced), (Groups{{a, b, c}}));
    EXPECT_EQ(announced.size(), 2u);
}

TEST(AssembleOperation, EmptyFilesGroupWithoutReadingAndSkipVanished) {
    TempTree t;
    auto a = t.file("a"), b = t.file("b"), gone = t.path("gone");
    EXPECT_EQ(run({b, gone, a}, 0), (Groups{{a, b}}));
}

TEST(AssembleOperation, StopBeforeStartDeliversNothingAndCancelledOperationsSkipMain) {
    TempTree t;
    auto a = t.file("a", "same"), b = t.file("b", "same");
    std::atomic<bool> stop{true};
    EXPECT_EQ(run({a, b}, 4, &stop), Groups{});
    auto op = std::make_shared<AssembleOperation>(std::vector{item(a), item(b)}, 4);
    int delivered = 0;
    op->assembleBlock = [&](DuplicateFilesPtr) { ++delivered; };
    op->cancel();
    op->start();
    EXPECT_EQ(delivered, 0);
}

TEST(PathOrder, ComparesCodePointsAfterCanonicalNormalisation) {
    EXPECT_TRUE(pathLess("/a/B", "/a/a"));  // code points, not a case-folding order
    EXPECT_TRUE(pathLess("/a/x", "/a/x/y"));
    // "é" decomposed (e + U+0301) sorts as its precomposed form U+00E9, after "f", although
    // its bytes start with "e".
    const std::string composed = "/d/\xc3\xa9", decomposed = "/d/e\xcc\x81";
    EXPECT_TRUE(pathLess("/d/f", decomposed));
    EXPECT_FALSE(pathLess(decomposed, "/d/f"));
    EXPECT_NE(pathLess(composed, decomposed), pathLess(decomposed, composed));
    EXPECT_TRUE(pathLess("/d/\xff", "/d/\xff\x01"));  // invalid UTF-8 by bytes
}

TEST(FileInfo, SizeIsReadOnceAndZeroForAFileAlreadyGone) {
    TempTree t;
    auto p = t.file("f", "12345");
    FileInfo info(ResourceValueURL{p, {}});
    EXPECT_EQ(info.size(), 5u);
    t.file("f", "1234567890");
    EXPECT_EQ(info.size(), 5u);  // kept from the first read
    FileInfo gone(ResourceValueURL{t.path("nothing"), {}});
    EXPECT_EQ(gone.size(), 0u);
    FileInfo known(ResourceValueURL{p, {}}, 42);
    EXPECT_EQ(known.size(), 42u);
    EXPECT_EQ(FileInfo(ResourceValueURL{"/x/MOVIE.MOV", {}}).fileType(), FileType::video);
}

TEST(ResourceValueURL, EqualityCoversPathAndValuesAndVolumesAreInterned) {
    ResourceValueURL a{"/v/a", {}}, b{"/v/a", {}};
    EXPECT_EQ(a, b);
    EXPECT_EQ(ResourceValueURLHash{}(a), ResourceValueURLHash{}(b));
    b.resourceValues.setFlag(ResourceValues::isHiddenKey, false);
    EXPECT_NE(a, b);
    EXPECT_EQ(a.resourceValues.isHidden(), std::nullopt);
    EXPECT_EQ(b.resourceValues.isHidden(), false);
    const auto v1 = VolumeRegistry::intern("/mnt/x", true);
    EXPECT_EQ(VolumeRegistry::intern("/mnt/x", true), v1);
    EXPECT_NE(VolumeRegistry::intern("/mnt/x", false), v1);
    a.resourceValues.setVolume(v1);
    EXPECT_EQ(a.resourceValues.volumeURL(), "/mnt/x");
    EXPECT_EQ(a.resourceValues.volumeIsLocal(), true);
    EXPECT_EQ(ResourceValueURL({"/v/dir/name.txt", {}}).name(), "name.txt");
}
