#include <dirent.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <set>
#include <thread>

#include "PhotoFixture.h"
#include "engine/SimilarImageEngine.h"
#include "support/ScopedFilePermissions.h"

using namespace orvane::photos;
using namespace orvane::photos::testing;

namespace {

// Records the order of a scan's reports and the verdict of its end.
struct EndObserver : ScanImagesManagerProtocol {
    std::mutex mutex;
    std::vector<std::string> moments;
    std::vector<ScanImagesOutcome> outcomes;
    bool scanningAtEnd = true;
    // Called with the path of each progress report the driver passes on.
    std::function<void(ScanImagesManager&, const std::string&)> onProgress;

    void note(const std::string& moment) {
        std::lock_guard lock(mutex);
        moments.push_back(moment);
    }
    void scanImageManagerDidStart(ScanImagesManager&) override { note("start"); }
    void progressDidChanged(ScanImagesManager& m, double, long long,
                            const std::string& path) override {
        if (onProgress) onProgress(m, path);
    }
    void scanDidFinished(ScanImagesManager&, int) override { note("finish"); }
    void scanDidStop(ScanImagesManager&, int) override { note("stop"); }
    void scanDidEnd(ScanImagesManager& m, const ScanImagesOutcome& outcome) override {
        note("end");
        std::lock_guard lock(mutex);
        outcomes.push_back(outcome);
        scanningAtEnd = m.isScanning();
    }
};

class ScanOutcomeTest : public PhotoTest {
protected:
    // One scan of `roots` through the driver's own thread, waited for; the verdict it told.
    ScanImagesOutcome scan(const std::vector<std::string>& roots) {
        observer->outcomes.clear();
        observer->moments.clear();
        manager->setScanRoots(roots);
        manager->startScanning();
        manager->waitUntilScanFinished();
        EXPECT_EQ(observer->outcomes.size(), 1u) << "the end is told once per scan";
        EXPECT_FALSE(observer->scanningAtEnd) << "the end came while the scan still counted";
        return observer->outcomes.empty() ? ScanImagesOutcome{} : observer->outcomes.back();
    }

    void SetUp() override {
        manager = std::make_unique<ScanImagesManager>(environment());
        manager->setDelegate(observer);
    }

    std::shared_ptr<EndObserver> observer = std::make_shared<EndObserver>();
    std::unique_ptr<ScanImagesManager> manager;
};

}  // namespace

TEST_F(ScanOutcomeTest, TheEndOfEveryScanCarriesTheEngineVerdict) {
    photoPair("pics/a.jpg", "pics/a-small.jpg", 11);
    photoPair("pics/b.jpg", "pics/sub/b-small.jpg", 12);
    tree.dir("nothing");

    auto outcome = scan({tree.path("pics")});
    EXPECT_EQ(observer->moments, (std::vector<std::string>{"start", "finish", "end"}));
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.resultText, "Ok");
    EXPECT_FALSE(outcome.failed);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(outcome.found, 4);
    EXPECT_TRUE(outcome.unreadableRoots.empty());

    outcome = scan({tree.path("nothing")});
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.found, 0);
    EXPECT_FALSE(outcome.failed);

    // The engine fails without a report of its own: the end is still told, and says why.
    outcome = scan({tree.path("pics"), tree.path("gone")});
    EXPECT_EQ(observer->moments, (std::vector<std::string>{"start", "end"}));
    EXPECT_EQ(outcome.result, 2);
    EXPECT_EQ(outcome.resultText, "Path not exist");
    EXPECT_TRUE(outcome.failed);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(outcome.failedRoot, tree.path("gone")) << "the folder the engine refused is named";
    EXPECT_EQ(outcome.failedRootError, ENOENT);
    EXPECT_EQ(scanFailureText(outcome, "~/gone"),
              "The folder “~/gone” no longer exists. If it was moved or renamed, choose it again "
              "where it is now.");

    // The engine runs one scan at a time: a second driver's scan meanwhile is refused.
    {
        ScanImagesManager other(environment());
        auto held = std::make_shared<EndObserver>();
        std::atomic<bool> release{false}, holding{false};
        held->onProgress = [&](ScanImagesManager&, const std::string&) {
            holding = true;
            while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        };
        other.setDelegate(held);
        other.setScanRoots({tree.path("pics")});
        std::this_thread::sleep_for(std::chrono::milliseconds(250));  // the progress throttle
        other.startScanning();
        while (!holding) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        outcome = scan({tree.path("pics")});
        release = true;
        other.waitUntilScanFinished();
        EXPECT_EQ(outcome.result, 1);
        EXPECT_EQ(outcome.resultText, "Param invaild");
        EXPECT_TRUE(outcome.failed);
        EXPECT_TRUE(outcome.engineBusy);
        EXPECT_EQ(scanFailureText(outcome, ""),
                  "Another photo scan is still running, so this one could not start. Wait until "
                  "it has finished, then scan again.");
        EXPECT_EQ(outcome.found, 0);
        ASSERT_EQ(held->outcomes.size(), 1u);
        EXPECT_EQ(held->outcomes[0].found, 4) << "the running scan is not disturbed";
    }

    // A stop before the engine starts ends the scan as stopped, and only that scan.
    observer->outcomes.clear();
    observer->moments.clear();
    manager->setScanRoots({tree.path("pics")});
    manager->startScanning();
    manager->stopScanning();
    manager->waitUntilScanFinished();
    ASSERT_EQ(observer->outcomes.size(), 1u);
    EXPECT_EQ(observer->moments.back(), "end");
    const auto stopped = observer->outcomes.back();
    EXPECT_EQ(stopped.stopped, stopped.result == 9);
    EXPECT_FALSE(stopped.failed);
    EXPECT_EQ(scan({tree.path("pics")}).found, 4) << "the stop stuck to the next scan";
}

TEST_F(ScanOutcomeTest, AStopMidScanEndsStoppedWithWhatWasFoundSoFar) {
    // Two pairs whose signatures the first scan keeps, and many more the stopped scan never
    // gets to: whatever is compared before the stop lands is reported.
    photoPair("known/a.jpg", "known/a-small.jpg", 21);
    photoPair("known/b.jpg", "known/b-small.jpg", 22);
    for (int i = 0; i < 24; ++i)
        photoPair("new/" + std::to_string(i) + ".jpg", "new/" + std::to_string(i) + "-small.jpg",
                  100 + i);
    // Large damaged pictures, read first, keep the engine busy until the stop has landed.
    for (int i = 0; i < 8; ++i)
        tree.sparseFile("new/0 damaged " + std::to_string(i) + ".jpg", 128u << 20);
    ASSERT_EQ(scan({tree.path("known")}).found, 4);

    // A slow observer holds the engine at the start and at the end of its walk, so the first
    // report of the pictures being read passes the driver's throttle; the stop goes there.
    std::atomic<bool> asked{false};
    observer->onProgress = [&](ScanImagesManager& m, const std::string& path) {
        if (path.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        } else if (!asked.exchange(true)) {
            m.stopScanning();
        }
    };
    // Progress is passed on at most every 0.2 s; let the window of the last scan pass.
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    const auto outcome = scan({tree.path("known"), tree.path("new")});
    ASSERT_TRUE(asked.load()) << "no report of the pictures being read came through";
    EXPECT_EQ(observer->moments, (std::vector<std::string>{"start", "stop", "end"}));
    EXPECT_TRUE(outcome.stopped);
    EXPECT_FALSE(outcome.failed);
    EXPECT_EQ(outcome.result, 9);
    EXPECT_TRUE(manager->isStop());
    EXPECT_GE(outcome.found, 4) << "the pairs read before the stop are kept";
    EXPECT_LT(outcome.found, 52) << "the scan went to the end";
    EXPECT_EQ(outcome.found, manager->dupFileCount());
    EXPECT_EQ(manager->scanTotals().count, outcome.found);

    observer->onProgress = nullptr;
    for (int i = 0; i < 8; ++i)
        ::unlink(tree.path("new/0 damaged " + std::to_string(i) + ".jpg").c_str());
    EXPECT_EQ(scan({tree.path("known"), tree.path("new")}).found, 52);
}

TEST_F(ScanOutcomeTest, AChosenFolderThatCannotBeOpenedIsNamedInTheEnd) {
    photoPair("open/a.jpg", "open/a-small.jpg", 31);
    tree.dir("locked/inside");
    tree.chmod("locked", 0);
    ScanImagesOutcome outcome;
    {
        orvane::testing::ScopedFilePermissions permissions;
        DIR* probe = ::opendir(tree.path("locked").c_str());
        const bool readable = probe != nullptr;
        if (probe) ::closedir(probe);
        ASSERT_FALSE(readable) << "this machine lets the tests read a folder of mode 0";
        outcome = scan({tree.path("locked"), tree.path("open")});
    }
    tree.chmod("locked", 0755);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_FALSE(outcome.failed);
    EXPECT_EQ(outcome.found, 2) << "the other folder is still scanned";
    EXPECT_EQ(outcome.unreadableRoots, std::vector<std::string>{tree.path("locked")});

    // Readable again, it is not named.
    EXPECT_TRUE(scan({tree.path("locked"), tree.path("open")}).unreadableRoots.empty());
}

TEST_F(ScanOutcomeTest, AFolderTheEngineRefusesIsNamedWithWhatToDo) {
    photoPair("open/a.jpg", "open/a-small.jpg", 41);
    tree.file("note.txt", "not a folder");
    tree.dir("closed/inside");

    auto outcome = scan({tree.path("open"), tree.path("note.txt")});
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.failedRoot, tree.path("note.txt"));
    EXPECT_EQ(outcome.failedRootError, 0);
    EXPECT_EQ(scanFailureText(outcome, "note.txt"),
              "“note.txt” is not a folder, so it cannot be scanned. Choose the folder that holds "
              "it instead.");

    // Behind a folder the user may not open, the chosen one exists but cannot be reached.
    tree.chmod("closed", 0);
    {
        orvane::testing::ScopedFilePermissions permissions;
        outcome = scan({tree.path("closed/inside")});
    }
    tree.chmod("closed", 0755);
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.failedRoot, tree.path("closed/inside"));
    EXPECT_EQ(outcome.failedRootError, EACCES);
    EXPECT_TRUE(outcome.unreadableRoots.empty()) << "told once, as the failure";
    EXPECT_EQ(scanFailureText(outcome, "inside"),
              "Orvane is not allowed to reach the folder “inside”. Make sure you may open every "
              "folder above it, then scan again.");
}

TEST(ScanFailureText, EveryFailureOfTheEngineIsASentenceOfItsOwn) {
    std::set<std::string> seen;
    for (int code : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 42}) {
        ScanImagesOutcome o;
        o.result = code;
        o.failed = true;
        const std::string text = scanFailureText(o, "");
        ASSERT_GE(text.size(), 20u) << code;
        EXPECT_TRUE(std::isupper(static_cast<unsigned char>(text.front()))) << text;
        EXPECT_EQ(text.back(), '.') << text;
        EXPECT_TRUE(seen.insert(text).second) << "two failures read alike: " << text;
    }
    ScanImagesOutcome o;
    o.result = kImageEnginePathNotExist;
    o.failed = true;
    o.failedRoot = "/media/disk";
    o.failedRootError = EIO;
    EXPECT_EQ(scanFailureText(o, "/media/disk"),
              "The folder “/media/disk” cannot be reached (" + std::string(std::strerror(EIO)) +
                  "). Check that the disk it is on is connected, then scan again.");
    o.failed = false;
    EXPECT_EQ(scanFailureText(o, ""), "") << "nothing to tell when the scan did not fail";
}
