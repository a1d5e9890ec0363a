#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "core/files/ScanManagerProtocol.h"
#include "core/largefiles/LargeFilesManager.h"
#include "core/settings/PerferenceInfo.h"
#include "kit/MainQueue.h"
#include "support/DriverContract.h"
#include "support/RecordingObserver.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

namespace orvane::largefiles {
namespace {

using testing::ScopedHome;
using testing::TempTree;

constexpr double kMidnight = 1796515200;  // 2026-12-06 00:00:00 UTC

using testing::RecordingObserver;

class LargeFileScan : public ::testing::Test {
protected:
    LargeFileScan() : home(tree) {
        prefs = std::make_shared<settings::PerferenceInfo>(tree.path("prefs/PreferenceInfo.plist"));
        manager.preferenceLoader = [this] { return prefs; };
        manager.clock = [this] { return now; };
    }

    // Scans the given folders (default: the whole fixture) and returns the paths of a group,
    // relative to the fixture root and sorted.
    void scan(std::vector<std::string> roots = {}) {
        manager.folderList = roots.empty() ? std::vector<std::string>{tree.root()} : roots;
        manager.scanLargeFile();
    }
    std::vector<std::string> group(std::size_t index) const {
        std::vector<std::string> out;
        for (const auto& info : manager.allFiles.at(index)->infos())
            out.push_back(info->path().substr(tree.root().size() + 1));
        std::sort(out.begin(), out.end());
        return out;
    }
    using Names = std::vector<std::string>;

    TempTree tree;
    ScopedHome home;
    std::shared_ptr<settings::PerferenceInfo> prefs;
    LargeFilesManager manager;
    double now = kMidnight + 12 * 3600;
};

TEST_F(LargeFileScan, TheDriverKeepsTheContractOfEveryModule) {
    tree.sparseFile("data/film.mkv", 80'000'000);
    manager.folderList = {tree.path("data")};
    testing::expectDriverContract(manager);
    EXPECT_EQ(manager.scanTotals().count, 1);
}

TEST_F(LargeFileScan, ThresholdAndSizeBandsUseTheExactDecimalBoundaries) {
    tree.sparseFile("under.bin", 9'999'999);
    tree.sparseFile("ten.bin", 10'000'000);
    tree.sparseFile("d/half.bin", 500'000'000);
    tree.sparseFile("d/justUnderGig.bin", 999'999'999);
    tree.sparseFile("d/e/gig.bin", 1'000'000'000);
    tree.sparseFile("d/e/underFive.bin", 4'999'999'999);
    tree.sparseFile("five.bin", 5'000'000'000);
    scan();

    EXPECT_EQ(group(allLargeFiles).size(), 6u);
    EXPECT_EQ(group(above5G), Names{"five.bin"});
    EXPECT_EQ(group(oneGBToFiveGB), (Names{"d/e/gig.bin", "d/e/underFive.bin"}));
    EXPECT_EQ(group(fiveHundredMBToOneGB), (Names{"d/half.bin", "d/justUnderGig.bin"}));
    EXPECT_EQ(group(tenMBToFiveHundredMB), Names{"ten.bin"});
    EXPECT_EQ(
        manager.allFiles[allLargeFiles]->totalSize,
        10'000'000ull + 500'000'000 + 999'999'999 + 1'000'000'000 + 4'999'999'999 + 5'000'000'000);
    EXPECT_EQ(manager.allFiles[above5G]->totalSize, 5'000'000'000u);
    EXPECT_TRUE(manager.allFiles[reservedGroup]->infos().empty());
}

TEST_F(LargeFileScan, AgeBandsAreCountedFromTheInjectedClock) {
    now = kMidnight + 60;  // a minute after midnight UTC
    const auto at = [&](const char* name, double age) {
        tree.sparseFile(name, 10'000'000);
        tree.setMtime(name, now - age);
    };
    at("justNow.bin", 30);
    at("beforeMidnight.bin", 120);
    at("sixDays.bin", 6 * 86'400);
    at("week.bin", 604'800);
    at("month.bin", 2'592'000);
    at("almostYear.bin", 31'535'999);
    at("year.bin", 31'536'000);
    scan();

    EXPECT_EQ(group(largeFilesTypeToday), Names{"justNow.bin"});
    EXPECT_EQ(group(largeFilesTypeDay), (Names{"beforeMidnight.bin", "sixDays.bin"}));
    EXPECT_EQ(group(largeFilesTypeWeek), Names{"week.bin"});
    EXPECT_EQ(group(largeFilesTypeMonth), (Names{"almostYear.bin", "month.bin"}));
    EXPECT_EQ(group(largeFilesTypeYear), Names{"year.bin"});
}

TEST_F(LargeFileScan, KindsFollowTheExtensionWhateverItsCase) {
    tree.sparseFile("MOVIE.MOV", 10'000'000);
    tree.sparseFile("song.flac", 10'000'000);
    tree.sparseFile("scan.TIFF", 10'000'000);
    tree.sparseFile("report.pdf", 10'000'000);
    tree.sparseFile("disk.iso", 10'000'000);
    tree.sparseFile("noext", 10'000'000);
    scan();

    EXPECT_EQ(group(videoGroup), Names{"MOVIE.MOV"});
    EXPECT_EQ(group(audioGroup), Names{"song.flac"});
    EXPECT_EQ(group(pictureGroup), Names{"scan.TIFF"});
    EXPECT_EQ(group(documentGroup), Names{"report.pdf"});
    EXPECT_EQ(group(otherGroup), (Names{"disk.iso", "noext"}));
    // Each file is in exactly one group of each list.
    std::size_t byKind = 0, bySize = 0, byAge = 0;
    for (std::size_t i = documentGroup; i <= otherGroup; ++i) byKind += group(i).size();
    for (std::size_t i = above5G; i <= tenMBToFiveHundredMB; ++i) bySize += group(i).size();
    for (std::size_t i = largeFilesTypeYear; i <= largeFilesTypeToday; ++i)
        byAge += group(i).size();
    EXPECT_EQ(byKind, 6u);
    EXPECT_EQ(bySize, 6u);
    EXPECT_EQ(byAge, 6u);
}

TEST_F(LargeFileScan, PrunesWhatCannotHoldTheUsersFiles) {
    tree.sparseFile("keep.bin", 50'000'000);
    tree.sparseFile("config.json", 50'000'000);
    tree.sparseFile("Data.JSON", 50'000'000);
    tree.sparseFile("X.framework/Versions/A/big.bin", 50'000'000);
    tree.sparseFile("Y.framework", 50'000'000);
    tree.sparseFile(".cache/big.bin", 50'000'000);
    tree.sparseFile("code.json/inside.bin", 50'000'000);  // a folder with an ignored extension
    tree.sparseFile("skipped/big.bin", 50'000'000);
    tree.sparseFile("skippedToo/deeper/big.bin", 50'000'000);
    prefs->largeFileWhiteListPath = {tree.path("skipped"), tree.path("skippedToo/")};
    scan();
    EXPECT_EQ(group(allLargeFiles), (Names{"code.json/inside.bin", "keep.bin"}));
}

TEST_F(LargeFileScan, HiddenFilesFollowTheGeneralSwitch) {
    tree.sparseFile(".hidden.bin", 20'000'000);
    tree.sparseFile("shown.bin", 20'000'000);
    prefs->omitHidden = true;
    scan();
    EXPECT_EQ(group(allLargeFiles), Names{"shown.bin"});
    prefs->omitHidden = false;
    scan();
    EXPECT_EQ(group(allLargeFiles), (Names{".hidden.bin", "shown.bin"}));
}

TEST_F(LargeFileScan, DuplicateOnlySettingsDoNotHideLargeFiles) {
    tree.sparseFile("clip.mp4", 20'000'000);
    prefs->omitVideo = false;
    prefs->enableMaxSize = true;
    prefs->maxSize = 1'000'000;
    prefs->whiteListPath = {tree.path("clip.mp4")};
    scan();
    EXPECT_EQ(group(allLargeFiles), Names{"clip.mp4"});
}

TEST_F(LargeFileScan, WhiteListedRootIsSkippedWholeButSiblingsAreNot) {
    tree.sparseFile("a/big.bin", 20'000'000);
    tree.sparseFile("ab/big.bin", 20'000'000);
    prefs->largeFileWhiteListPath = {tree.path("a")};
    scan({tree.path("a"), tree.path("ab")});
    EXPECT_EQ(group(allLargeFiles), Names{"ab/big.bin"});
}

TEST_F(LargeFileScan, LinksAreListedByTheirTargetAndNeverFollowedIntoFolders) {
    tree.sparseFile("store/target.mkv", 20'000'000);
    tree.symlink("store/target.mkv", "link.mkv");
    tree.symlink("nowhere", "dangling.mkv");
    tree.symlink("store", "folderLink");
    tree.symlink(tree.path("small"), "toSmall");
    tree.sparseFile("small", 100);
    scan();
    EXPECT_EQ(group(allLargeFiles), (Names{"link.mkv", "store/target.mkv"}));
    for (const auto& info : manager.allFiles[allLargeFiles]->infos()) {
        EXPECT_EQ(info->size(), 20'000'000u);
        if (info->path().ends_with("link.mkv")) {
            EXPECT_TRUE(info->resourceValue.resourceValues.isAliasFile().value_or(false));
        }
    }
}

TEST_F(LargeFileScan, TotalsCountEachFileOnceAndLinksNever) {
    tree.sparseFile("data/film.mkv", 30'000'000);
    tree.hardlink("data/film.mkv", "data/other name.mkv");
    tree.hardlink("data/film.mkv", "data/old/third.mkv");
    tree.sparseFile("data/notes.pdf", 20'000'000);
    tree.symlink(tree.path("data/notes.pdf"), "data/shortcut.pdf");
    tree.symlink(tree.path("outside/big.iso"), "data/elsewhere.iso");
    tree.sparseFile("outside/big.iso", 50'000'000);
    scan({tree.path("data")});

    // Every name is listed, a link for what it points at ...
    EXPECT_EQ(group(allLargeFiles),
              (Names{"data/elsewhere.iso", "data/film.mkv", "data/notes.pdf", "data/old/third.mkv",
                     "data/other name.mkv", "data/shortcut.pdf"}));
    // ... but the totals are the bytes on disk below the roots: the film once, the notes once,
    // nothing for the links, even one to a file outside the roots.
    EXPECT_EQ(manager.allFiles[allLargeFiles]->totalSize, 50'000'000u);
    EXPECT_EQ(manager.allFiles[videoGroup]->totalSize, 30'000'000u);
    EXPECT_EQ(manager.allFiles[documentGroup]->totalSize, 20'000'000u);
    EXPECT_EQ(manager.allFiles[otherGroup]->totalSize, 0u);
    EXPECT_EQ(manager.scanTotals().size, 50'000'000u);

    // Removing one name of the film frees nothing while the others remain.
    for (const auto& info : manager.allFiles[allLargeFiles]->infos())
        if (info->path() == tree.path("data/other name.mkv")) info->deleted = true;
    manager.pruneRemovedFiles();
    EXPECT_EQ(manager.allFiles[allLargeFiles]->count(), 5u);
    EXPECT_EQ(manager.allFiles[allLargeFiles]->totalSize, 50'000'000u);
    EXPECT_EQ(manager.allFiles[videoGroup]->totalSize, 30'000'000u);
}

TEST_F(LargeFileScan, PathsTooLongToNameAreCountedAsSkipped) {
    tree.sparseFile("data/big.bin", 20'000'000);
    tree.deepChain("data/deep", "buried.bin", "x");
    scan({tree.path("data")});
    EXPECT_EQ(group(allLargeFiles), Names{"data/big.bin"});
    const files::SkippedEntries skipped = manager.skippedEntries();
    EXPECT_EQ(skipped.tooLongPaths, 1u);
    EXPECT_EQ(skipped.unreadableFolders, 0u);
    EXPECT_EQ(skipped.sentence(), "1 entry was skipped: 1 path too long.");

    // A new scan starts counting afresh.
    tree.sparseFile("clean/x.bin", 20'000'000);
    scan({tree.path("clean")});
    EXPECT_TRUE(manager.skippedEntries().empty());
}

TEST_F(LargeFileScan, NestedAndRepeatedRootsFileEachFileOnce) {
    tree.sparseFile("docs/inner/big.pdf", 20'000'000);
    tree.sparseFile("top.bin", 20'000'000);
    scan({tree.path("docs/inner"), tree.root(), tree.path("docs"), tree.root()});
    EXPECT_EQ(group(allLargeFiles), (Names{"docs/inner/big.pdf", "top.bin"}));
    EXPECT_EQ(group(documentGroup), Names{"docs/inner/big.pdf"});

    // Filing the same record again (a second walk reaching it) changes nothing.
    const auto& first = manager.allFiles[allLargeFiles]->infos().front();
    FileTimeData data;
    data.size = first->size();
    manager.addInArry(data, first->resourceValue);
    EXPECT_EQ(manager.allFiles[allLargeFiles]->count(), 2u);
    EXPECT_EQ(manager.allFiles[documentGroup]->count(), 1u);
    EXPECT_EQ(manager.allFiles[allLargeFiles]->totalSize, 40'000'000u);
}

TEST_F(LargeFileScan, OddNamesAndUnreadableCornersAreSurvived) {
    const std::string badName = std::string("bad\xff\xfe name\n.bin");
    tree.sparseFile(badName, 20'000'000);
    tree.sparseFile("locked/big.bin", 20'000'000);
    tree.sparseFile("unreadable.bin", 20'000'000);
    tree.chmod("locked", 0);
    tree.chmod("unreadable.bin", 0);
    scan({tree.root(), tree.path("does-not-exist")});
    tree.chmod("locked", 0755);
    if (::geteuid() == 0) {
        // Permissions do not bind the superuser: everything is readable then.
        EXPECT_EQ(group(allLargeFiles), (Names{badName, "locked/big.bin", "unreadable.bin"}));
    } else {
        EXPECT_EQ(group(allLargeFiles), Names{badName});
        const files::SkippedEntries skipped = manager.skippedEntries();
        EXPECT_EQ(skipped.unreadableFolders, 1u);
        EXPECT_EQ(skipped.unreadableFiles, 1u);
    }
}

TEST_F(LargeFileScan, NewScanReplacesTheGroups) {
    tree.sparseFile("one.bin", 20'000'000);
    scan();
    const auto before = manager.allFiles[allLargeFiles];
    ::unlink(tree.path("one.bin").c_str());
    tree.sparseFile("two.bin", 20'000'000);
    scan();
    EXPECT_EQ(group(allLargeFiles), Names{"two.bin"});
    EXPECT_EQ(before->count(), 1u) << "screens holding the old groups keep what they showed";
}

TEST_F(LargeFileScan, ObserverSeesStartThrottledProgressAndEnd) {
    for (int i = 0; i < 40; ++i) tree.sparseFile("f" + std::to_string(i) + ".bin", 10'000'000);
    auto observer = std::make_shared<RecordingObserver>();
    manager.delegate = observer;
    kit::MainLoop loop;
    std::atomic<bool> done{false};
    manager.folderList = {tree.root()};
    std::thread worker([&] {
        manager.scanLargeFile();
        done = true;
        loop.wake();
    });
    loop.runUntil([&] { return done.load(); }, std::chrono::seconds(60));
    worker.join();
    loop.drain();
    EXPECT_EQ(observer->scanStarts, 1);
    EXPECT_EQ(observer->scanFinishes, 1);
    const auto found = observer->found();
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.back(), 40) << "the last report carries the final count";
    EXPECT_TRUE(std::is_sorted(found.begin(), found.end()));
    EXPECT_LT(found.size(), 40u) << "reports are throttled, not one per file";
}

TEST_F(LargeFileScan, StopEndsTheWalkAndKeepsWhatWasFound) {
    tree.sparseFile("a.bin", 20'000'000);
    auto observer = std::make_shared<RecordingObserver>();
    observer->onStartScan = [&] { manager.stopScan(); };
    manager.delegate = observer;
    scan();
    EXPECT_EQ(observer->scanFinishes, 1);
    EXPECT_TRUE(group(allLargeFiles).empty());
    EXPECT_TRUE(manager.stopScanLargeFileFig.load());

    observer->onStartScan = nullptr;
    scan();
    EXPECT_FALSE(manager.stopScanLargeFileFig.load()) << "a new scan clears the stop flag";
    EXPECT_EQ(group(allLargeFiles), Names{"a.bin"});
}

TEST(LargeFilesManagerRules, RootsOfTheSystemAndOtherUsersAreDroppedAndNestedOnesMerged) {
    const orvane::testing::ScopedEnv home("HOME", "/Users/me");
    LargeFilesManager manager;
    const auto roots = manager.scanRoots({"/Users/other", "/Library/Caches", "/Libraryx",
                                          "/System/Applications", "/Applications/Utilities",
                                          "/Users", "/", "/Users/me/Documents", "/Users/me"});
    const auto mine = manager.scanRoots({"/Users/me/Documents", "/Users/me"});
    // "/" does not swallow the others: "/" + "/" prefixes nothing, so the filing step is what
    // keeps a file reached from both walks listed once.
    EXPECT_EQ(roots, (std::vector<std::string>{"/", "/Users"}));
    EXPECT_EQ(mine, std::vector<std::string>{"/Users/me"});
}

TEST(LargeFilesManagerRules, FrameworkComponentsAnywhereInThePath) {
    EXPECT_TRUE(LargeFilesManager::isInsideFramework("/a/X.framework/Versions/A/lib"));
    EXPECT_TRUE(LargeFilesManager::isInsideFramework("/a/X.framework"));
    EXPECT_FALSE(LargeFilesManager::isInsideFramework("/a/X.frameworks/b"));
    EXPECT_FALSE(LargeFilesManager::isInsideFramework("/a/framework/b"));
}

}  // namespace
}  // namespace orvane::largefiles
