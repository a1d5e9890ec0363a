#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <climits>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "core/files/TreeWalker.h"
#include "support/TempTree.h"

using namespace orvane::files;
using orvane::testing::TempTree;

namespace {

struct Seen {
    std::string path;
    EntryType type;
    bool hidden;
    std::uint64_t size;
    unsigned depth;
};

std::map<std::string, Seen> walkAll(
    TreeWalker& walker, const std::vector<std::string>& roots,
    const std::function<WalkAction(const WalkEntry&)>& decide = {}) {
    std::mutex m;
    std::map<std::string, Seen> seen;
    walker.walk(roots, [&](const WalkEntry& e) {
        EXPECT_LT(e.thread, walker.threadCount());
        {
            std::lock_guard lock(m);
            EXPECT_TRUE(seen.emplace(std::string(e.path),
                                     Seen{std::string(e.path), e.type, e.hidden, e.size, e.depth})
                            .second)
                << "visited twice: " << e.path;
        }
        return decide ? decide(e) : WalkAction::proceed;
    });
    return seen;
}

}  // namespace

TEST(TreeWalker, VisitsEveryEntryBelowTheRootsOnceWithTypesAndSizes) {
    TempTree t;
    t.file("a/one.txt", "12345");
    t.file("a/b/two.bin", std::string(3000, 'z'));
    t.file("a/.hidden", "h");
    t.dir("a/empty");
    t.symlink("one.txt", "a/link");
    ::mkfifo(t.path("a/fifo").c_str(), 0644);
    for (unsigned threads : {1u, 2u, 5u}) {
        TreeWalker walker(TreeWalker::Options{threads, false});
        auto seen = walkAll(walker, {t.path("a")});
        ASSERT_EQ(seen.size(), 7u) << threads;
        EXPECT_EQ(seen.count(t.path("a")), 0u);  // the root itself is not an entry
        EXPECT_EQ(seen[t.path("a/one.txt")].type, EntryType::file);
        EXPECT_EQ(seen[t.path("a/one.txt")].size, 5u);
        EXPECT_EQ(seen[t.path("a/one.txt")].depth, 1u);
        EXPECT_EQ(seen[t.path("a/b/two.bin")].size, 3000u);
        EXPECT_EQ(seen[t.path("a/b/two.bin")].depth, 2u);
        EXPECT_EQ(seen[t.path("a/b")].type, EntryType::directory);
        EXPECT_EQ(seen[t.path("a/link")].type, EntryType::symlink);
        EXPECT_EQ(seen[t.path("a/fifo")].type, EntryType::other);
        EXPECT_TRUE(seen[t.path("a/.hidden")].hidden);
        EXPECT_FALSE(seen[t.path("a/one.txt")].hidden);
        EXPECT_EQ(walker.filesSeen(), 7u);
        EXPECT_EQ(walker.directoriesSeen(), 3u);  // a, a/b, a/empty
    }
}

TEST(TreeWalker, SkipDescendantsPrunesOnlyThatSubtree) {
    TempTree t;
    t.file("r/keep/x", "1");
    t.file("r/prune/y", "2");
    t.file("r/prune/deep/z", "3");
    TreeWalker walker;
    auto seen = walkAll(walker, {t.path("r")}, [](const WalkEntry& e) {
        return e.name == "prune" ? WalkAction::skipDescendants : WalkAction::proceed;
    });
    EXPECT_EQ(seen.count(t.path("r/prune")), 1u);
    EXPECT_EQ(seen.count(t.path("r/prune/y")), 0u);
    EXPECT_EQ(seen.count(t.path("r/prune/deep/z")), 0u);
    EXPECT_EQ(seen.count(t.path("r/keep/x")), 1u);
}

TEST(TreeWalker, NeverFollowsSymlinksAndReadsAnOverlappingRootOnce) {
    TempTree t;
    t.file("r/sub/f", "data");
    t.symlink("..", "r/sub/loop");    // a symlink loop
    t.symlink(t.path("r"), "r/abs");  // and one by absolute path
    TreeWalker walker;
    auto seen = walkAll(walker, {t.path("r"), t.path("r/sub"), t.path("r/")});
    EXPECT_EQ(seen.size(), 4u);  // sub, sub/f, sub/loop, abs
    EXPECT_EQ(seen[t.path("r/sub/loop")].type, EntryType::symlink);
}

TEST(TreeWalker, RootsThatAreMissingOrFilesYieldNothingAndSymlinkedRootsAreWalked) {
    TempTree t;
    t.file("real/f", "x");
    t.file("plain", "x");
    t.symlink(t.path("real"), "via");
    TreeWalker walker;
    auto seen = walkAll(walker, {t.path("missing"), t.path("plain"), t.path("via")});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen.begin()->first, t.path("via/f"));
    EXPECT_EQ(walker.unreadableDirectories(), 2u);
}

TEST(TreeWalker, StopFlagEndsTheWalkEarly) {
    TempTree t;
    for (int d = 0; d < 30; ++d)
        for (int f = 0; f < 30; ++f)
            t.file("r/d" + std::to_string(d) + "/f" + std::to_string(f), "x");
    std::atomic<bool> stop{false};
    std::atomic<int> visits{0};
    TreeWalker walker(TreeWalker::Options{2, false});
    walker.walk(
        {t.path("r")},
        [&](const WalkEntry&) {
            if (++visits == 10) stop = true;
            return WalkAction::proceed;
        },
        &stop);
    EXPECT_LT(visits.load(), 100);
}

TEST(TreeWalker, ReadsNamesThatAreNotUtf8OrHoldNewlinesByteForByte) {
    TempTree t;
    const std::string odd = std::string("bad\xff\xfe") + "name";
    t.file("r/" + odd, "1");
    t.file("r/line\nbreak", "2");
    TreeWalker walker;
    auto seen = walkAll(walker, {t.path("r")});
    EXPECT_EQ(seen.count(t.path("r/" + odd)), 1u);
    EXPECT_EQ(seen.count(t.path("r/line\nbreak")), 1u);
}

TEST(TreeWalker, UnreadableDirectoriesArePassedOverAndCounted) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    TempTree t;
    t.file("r/open/f", "1");
    t.file("r/locked/g", "2");
    t.chmod("r/locked", 0);
    TreeWalker walker;
    auto seen = walkAll(walker, {t.path("r")});
    EXPECT_EQ(seen.count(t.path("r/open/f")), 1u);
    EXPECT_EQ(seen.count(t.path("r/locked/g")), 0u);
    EXPECT_EQ(walker.unreadableDirectories(), 1u);
}

TEST(TreeWalker, EntriesTooLongToNameAreCountedNotVisited) {
    TempTree t;
    t.file("r/short", "1");
    t.deepChain("r/chain", "leaf", "2");
    TreeWalker walker;
    auto seen = walkAll(walker, {t.path("r")});
    EXPECT_EQ(seen.count(t.path("r/short")), 1u);
    for (const auto& [path, entry] : seen) EXPECT_LT(path.size(), std::size_t(PATH_MAX));
    EXPECT_EQ(walker.tooLongPaths(), 1u);
    EXPECT_EQ(walker.unreadableDirectories(), 0u);
}

TEST(TreeWalker, ReadabilityFollowsModeBitsAndIdentity) {
    TempTree t;
    t.file("r/f", "1");
    t.chmod("r/f", 0);
    bool readable = true;
    TreeWalker walker;
    walker.walk({t.path("r")}, [&](const WalkEntry& e) {
        readable = TreeWalker::isReadable(e);
        return WalkAction::proceed;
    });
    EXPECT_EQ(readable, ::geteuid() == 0);
}
