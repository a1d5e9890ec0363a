// Cleaning on real files: what goes, what stays, the reason recorded on each item that stays, and
// the order the cleaning screen hears about it.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "JunkFixture.h"
#include "core/files/PrivilegedHelper.h"
#include "core/junk/AuthoredHelper.h"
#include "core/junk/CleanError.h"
#include "core/junk/CleanManager.h"
#include "core/junk/RunningApps.h"
#include "kit/Resources.h"
#include "support/ScopedEnv.h"

namespace orvane::junk {
namespace {

using testing::LinuxHome;
using Outcome = CleanBaseItem::CleanOutcome;

// Every call of the cleaning, in order, as "name" or "name:stage" or "progress:path:ok".
class CleanRecorder final : public TrashCleanManagerDelegate {
public:
    void startCleanTrash() override { add("start"); }
    void pauseCleanTrash() override { add("pause"); }
    void resumeCleanTrash() override { add("resume"); }
    void stopCleanTrash() override { add("stop"); }
    void cleanTrashStartForState(CleanStageType stage) override {
        add("stage-start:" + std::to_string(static_cast<int>(stage)));
    }
    void cleanTrashProgress(const std::string& path, bool ok, CleanStageType stage,
                            std::int64_t size) override {
        {
            std::lock_guard lock(mutex);
            progress.push_back({path, ok, stage, size});
        }
        add("progress");
        if (onProgress) onProgress();
    }
    void cleanTrashFinishForState(CleanStageType stage) override {
        add("stage-finish:" + std::to_string(static_cast<int>(stage)));
    }
    void cleanTrashCompleted() override { add("completed"); }

    struct Progress {
        std::string path;
        bool ok;
        CleanStageType stage;
        std::int64_t size;
    };
    std::mutex mutex;
    std::vector<std::string> calls;
    std::vector<Progress> progress;
    std::function<void()> onProgress;

private:
    void add(std::string call) {
        std::lock_guard lock(mutex);
        calls.push_back(std::move(call));
    }
};

// The disk space an item takes: the blocks of its files (with no other name) and folders.
std::uint64_t blocksOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return 0;
    std::uint64_t total = S_ISDIR(st.st_mode) || st.st_nlink <= 1
                              ? static_cast<std::uint64_t>(st.st_blocks) * 512u
                              : 0;
    if (S_ISDIR(st.st_mode))
        for (const auto& entry : std::filesystem::directory_iterator(path))
            total += blocksOf(entry.path().string());
    return total;
}

class LinuxClean : public testing::LinuxJunk {
protected:
    std::shared_ptr<CleanRecorder> recorder = std::make_shared<CleanRecorder>();
    std::vector<std::string> mounts;

    void TearDown() override {
        for (auto it = mounts.rbegin(); it != mounts.rend(); ++it)
            ::umount2(it->c_str(), MNT_DETACH);
    }

    std::unique_ptr<CleanManager> scan(
        std::optional<std::string> rules = kit::resourceFile("junk/linux/garbageConfig.xml")) {
        auto manager = std::make_unique<CleanManager>(setup(std::move(rules)));
        manager->cleanDelegate = recorder;
        manager->beforeScan();
        manager->scanAcition();
        return manager;
    }

    CleanBaseItemPtr itemAt(const CleanManager& manager, const std::string& path) {
        for (const auto& model : manager.getModels())
            for (const auto& item : model->allItems)
                if (item->url == path) return item;
        ADD_FAILURE() << "no item " << path;
        return std::make_shared<CleanTrashItem>(path);
    }

    // A read-only view of a folder: nobody, root included, removes anything in it.
    bool makeReadOnly(const std::string& folder) {
        if (::geteuid() != 0) return false;
        if (::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0) return false;
        mounts.push_back(folder);
        return ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                       nullptr) == 0;
    }
};

TEST_F(LinuxClean, RemovesTheSelectedItemsOfEveryKindAndNothingBesideThem) {
    auto manager = scan();
    std::map<std::uint32_t, int> selected;
    std::uint64_t selectedBytes = 0;
    for (const auto& model : manager->getModels())
        for (const auto& item : model->allItems)
            if (item->isSelected) {
                ++selected[model->junkType];
                selectedBytes += blocksOf(item->url);
            }
    ASSERT_GE(selected[1], 4) << "thumbnails, pip, rotated logs, downloaded packages";
    ASSERT_EQ(selected[8], 0) << "downloads are offered, never preselected";

    manager->cleanAcition();
    EXPECT_EQ(manager->cleanState.load(), CleanState::completed);
    for (const auto& model : manager->getModels()) {
        EXPECT_EQ(model->suceesCount, selected[model->junkType]) << model->name();
        EXPECT_EQ(model->errorCount, 0) << model->name();
        for (const auto& item : model->allItems) {
            struct stat st {};
            const bool exists = ::lstat(item->url.c_str(), &st) == 0;
            EXPECT_EQ(exists, !item->isSelected) << item->url;
            EXPECT_EQ(item->cleanOutcome, item->isSelected ? Outcome::removed : Outcome::none);
        }
    }
    EXPECT_EQ(manager->cleanedSize.load(), selectedBytes) << "what the disk got back";

    expectLookAlikesKept();
    EXPECT_TRUE(home.tree.exists("home/Downloads/app_2.0_amd64.deb"));
    EXPECT_TRUE(home.tree.exists("root/var/log/apt"));
    EXPECT_FALSE(home.tree.exists("root/var/log/syslog.1"));
    EXPECT_FALSE(home.tree.exists("home/.local/share/Trash/files/draft.odt"));
    EXPECT_FALSE(home.tree.exists("home/.local/share/Trash/info/draft.odt.trashinfo"))
        << "no restore record is left for an item that is gone";
}

TEST_F(LinuxClean, TheScreenHearsEachKindInOrderAndOnlySelectedItems) {
    auto manager = scan();
    const auto trash = itemAt(*manager, home.path(".local/share/Trash/files/draft.odt"));
    trash->isSelected = false;
    manager->cleanAcition();

    std::vector<std::string> expected{"start"};
    std::size_t selectedCount = 0;
    for (const auto& model : manager->getModels()) {
        const int stage = static_cast<int>(CleanOperation::stageFor(model->junkType));
        expected.push_back("stage-start:" + std::to_string(stage));
        for (const auto& item : model->allItems)
            if (item->isSelected) {
                expected.push_back("progress");
                ++selectedCount;
            }
        expected.push_back("stage-finish:" + std::to_string(stage));
    }
    expected.push_back("completed");
    EXPECT_EQ(recorder->calls, expected);
    ASSERT_EQ(recorder->progress.size(), selectedCount);
    for (const auto& p : recorder->progress) {
        EXPECT_TRUE(p.ok) << p.path;
        EXPECT_NE(p.path, trash->url) << "an unticked item is neither removed nor reported";
    }
    EXPECT_TRUE(home.tree.exists("home/.local/share/Trash/files/draft.odt"));
    EXPECT_TRUE(home.tree.exists("home/.local/share/Trash/info/draft.odt.trashinfo"));
    EXPECT_EQ(manager->cleanTrashModel->suceesCount, 0);

    EXPECT_EQ(CleanOperation::stageFor(1), CleanStageType::cleanSystem);
    EXPECT_EQ(CleanOperation::stageFor(2), CleanStageType::cleanApp);
    EXPECT_EQ(CleanOperation::stageFor(4), CleanStageType::cleanTrash);
    EXPECT_EQ(CleanOperation::stageFor(8), CleanStageType::cleanPackage);
    EXPECT_EQ(CleanOperation::stageFor(16), CleanStageType::cleanInternet);
    EXPECT_EQ(CleanOperation::stageFor(99), CleanStageType::cleanSystem);
}

TEST_F(LinuxClean, ItemsChangedSinceTheScanAreLeftAloneAndTheRunGoesOn) {
    const std::string outside = home.tree.file("elsewhere/precious.txt", "keep me");
    home.tree.file("elsewhere/dir/inside.txt", "keep me too");
    home.file(".local/share/Trash/files/vanishes.txt", "v");
    home.file(".local/share/Trash/files/becomes-link.txt", "l");
    home.file(".local/share/Trash/files/replaced.txt", "r");
    home.file(".local/share/Trash/files/rewritten.txt", "same size");
    home.file(".local/share/Trash/files/file-then-folder", "f");
    home.file(".local/share/Trash/files/parent/child.txt", "c");
    home.file(".local/share/Trash/files/z-last.txt", "z");
    auto manager = scan();
    const auto trashPath = [&](const std::string& name) {
        return home.path(".local/share/Trash/files/" + name);
    };

    ::unlink(trashPath("vanishes.txt").c_str());
    ::unlink(trashPath("becomes-link.txt").c_str());
    ASSERT_EQ(::symlink(outside.c_str(), trashPath("becomes-link.txt").c_str()), 0);
    ::unlink(trashPath("replaced.txt").c_str());
    home.file(".local/share/Trash/files/replaced.txt", "r");
    ::usleep(10'000);
    home.file(".local/share/Trash/files/rewritten.txt", "SAME SIZE");
    ::unlink(trashPath("file-then-folder").c_str());
    home.file(".local/share/Trash/files/file-then-folder/inside", "new");
    // The folder the item sat in is swapped for a link to somewhere else with the same names.
    home.tree.file("elsewhere/parent/child.txt", "not junk");
    ASSERT_EQ(::rename(trashPath("parent").c_str(), home.tree.path("moved-parent").c_str()), 0);
    ASSERT_EQ(::symlink(home.tree.path("elsewhere/parent").c_str(), trashPath("parent").c_str()),
              0);
    // A folder above an item is swapped for a link to a look-alike tree.
    home.tree.file("elsewhere/thumbs/normal/a.png", "not a thumbnail");
    ASSERT_EQ(::rename(home.path(".cache/thumbnails").c_str(),
                       home.tree.path("moved-thumbnails").c_str()),
              0);
    ASSERT_EQ(::symlink(home.tree.path("elsewhere/thumbs").c_str(),
                        home.path(".cache/thumbnails").c_str()),
              0);
    // One item names a folder outside its rule's folder, another the rule's folder itself.
    const auto sneaky = itemAt(*manager, trashPath("z-last.txt"));
    auto escaped = std::make_shared<CleanTrashItem>(home.tree.path("elsewhere/dir"));
    escaped->basePath = home.path(".local/share/Trash/files");
    escaped->isSelected = true;
    manager->cleanTrashModel->allItems.push_back(escaped);
    auto whole = std::make_shared<CleanTrashItem>(home.path(".cache"));
    whole->basePath = home.path(".cache");
    whole->isSelected = true;
    manager->cleanTrashModel->allItems.push_back(whole);

    manager->cleanAcition();
    auto codeOf = [&](const std::string& path) {
        const auto item = itemAt(*manager, path);
        return item->removeError ? item->removeError->code : 0;
    };
    EXPECT_EQ(itemAt(*manager, trashPath("vanishes.txt"))->cleanOutcome, Outcome::alreadyGone);
    EXPECT_EQ(codeOf(trashPath("vanishes.txt")), 0);
    for (const char* name :
         {"becomes-link.txt", "replaced.txt", "rewritten.txt", "file-then-folder", "parent"})
        EXPECT_EQ(codeOf(trashPath(name)), kCleanErrorChanged) << name;
    EXPECT_EQ(codeOf(home.path(".cache/thumbnails/normal")), kCleanErrorChanged);
    EXPECT_EQ(home.tree.read("elsewhere/thumbs/normal/a.png"), "not a thumbnail");
    EXPECT_EQ(codeOf(escaped->url), kCleanErrorChanged);
    EXPECT_NE(escaped->removeError->description.find("not inside the folder"), std::string::npos);
    EXPECT_EQ(codeOf(whole->url), kCleanErrorChanged);
    EXPECT_NE(whole->removeError->description.find("never removed as a whole"), std::string::npos);
    EXPECT_EQ(sneaky->cleanOutcome, Outcome::removed) << "the run goes on after failures";

    EXPECT_EQ(home.tree.read("elsewhere/precious.txt"), "keep me");
    EXPECT_EQ(home.tree.read("elsewhere/dir/inside.txt"), "keep me too");
    EXPECT_EQ(home.tree.read("elsewhere/parent/child.txt"), "not junk");
    EXPECT_TRUE(home.tree.exists("home/.local/share/Trash/files/replaced.txt"));
    EXPECT_TRUE(home.tree.exists("home/.local/share/Trash/files/file-then-folder/inside"));
    EXPECT_TRUE(home.tree.exists("home/.cache/sentinel"));
    EXPECT_EQ(manager->cleanTrashModel->errorCount, 7);
}

TEST_F(LinuxClean, WhatNobodyMayRemoveOutsideTheProtectedPlacesFailsWithoutAPrompt) {
    home.file(".local/share/Trash/files/stuck/file.txt", "s");
    const std::string log = home.tree.path("pkexec.log");
    home.tree.script("bin/pkexec", "echo asked >> '" + log + "'; exit 126");
    const auto path = orvane::testing::pathFirst(home.tree.path("bin"));
    privileged.setLauncher({"pkexec", "/nonexistent/orvane-helper"});
    auto manager = scan();
    if (!makeReadOnly(home.path(".local/share/Trash/files/stuck")))
        GTEST_SKIP() << "read-only bind mounts need root: " << std::strerror(errno);

    manager->cleanAcition();
    const auto stuck = itemAt(*manager, home.path(".local/share/Trash/files/stuck"));
    ASSERT_TRUE(stuck->removeError);
    EXPECT_EQ(stuck->removeError->code, kCleanErrorNotDeletable);
    EXPECT_NE(stuck->removeError->description.find("Read-only"), std::string::npos)
        << stuck->removeError->description;
    EXPECT_FALSE(home.tree.exists("pkexec.log")) << "no administrator prompt for the home";
    EXPECT_EQ(itemAt(*manager, home.path(".local/share/Trash/files/draft.odt"))->cleanOutcome,
              Outcome::removed);
}

TEST_F(LinuxClean, ProtectedItemsAskOnceThroughTheHelperAndRecordWhyTheyStayed) {
    home.tree.file("root/var/log/ro/old.log.1", "a");
    home.tree.file("root/var/log/ro/older.log.2", "b");
    auto manager = scan();
    for (const char* rel : {"root/var/log/ro/old.log.1", "root/var/log/ro/older.log.2"})
        ASSERT_TRUE(itemAt(*manager, home.tree.path(rel))->isSelected) << rel;
    if (!makeReadOnly(home.tree.path("root/var/log/ro")))
        GTEST_SKIP() << "read-only bind mounts need root: " << std::strerror(errno);

    // A dismissed prompt: each protected item asks again, and fails with code 3.
    const std::string log = home.tree.path("pkexec.log");
    home.tree.script("bin/pkexec", "echo asked >> '" + log + "'; exit 126");
    {
        const auto path = orvane::testing::pathFirst(home.tree.path("bin"));
        privileged.setLauncher({"pkexec", "/usr/libexec/orvane/orvane-helper"});
        manager->cleanAcition();
    }
    for (const char* rel : {"root/var/log/ro/old.log.1", "root/var/log/ro/older.log.2"}) {
        const auto item = itemAt(*manager, home.tree.path(rel));
        ASSERT_TRUE(item->removeError) << rel;
        EXPECT_EQ(item->removeError->code, kCleanErrorNotAuthorized) << rel;
        EXPECT_NE(item->removeError->description.find("dismissed"), std::string::npos);
    }
    EXPECT_EQ(home.tree.read("pkexec.log"), "asked\nasked\n");
    EXPECT_FALSE(home.tree.exists("root/var/log/syslog.1")) << "ordinary items still went";

    // Granted: one authorization serves every item; the helper's own failure is code 2.
    privileged.setLauncher({ORVANE_HELPER_BINARY, "--protected-root", home.tree.path("root")});
    manager->cleanAcition();
    EXPECT_TRUE(authored.isAuthorized());
    for (const char* rel : {"root/var/log/ro/old.log.1", "root/var/log/ro/older.log.2"}) {
        const auto item = itemAt(*manager, home.tree.path(rel));
        ASSERT_TRUE(item->removeError) << rel;
        EXPECT_EQ(item->removeError->code, kCleanErrorAdminFailed) << rel;
        EXPECT_NE(item->removeError->description.find("Read-only"), std::string::npos)
            << item->removeError->description;
    }
    EXPECT_EQ(manager->cleanSystemJunkModel->errorCount, 2);
    EXPECT_TRUE(home.tree.exists("root/var/log/ro/old.log.1"));
}

TEST_F(LinuxClean, RunningProgramsCachesAreShownButNotTicked) {
    home.file(".cache/google-chrome/Default/Cache/Cache_Data/f_0", "chrome");
    home.file(".cache/chromium/Default/Cache/Cache_Data/f_0", "chromium");
    ASSERT_EQ(
        ::symlink("/opt/google/chrome/chrome", home.tree.dir("proc/4242").append("/exe").c_str()),
        0);
    ASSERT_EQ(::symlink("/usr/bin/bash", home.tree.dir("proc/17").append("/exe").c_str()), 0);
    home.tree.dir("proc/self");
    auto manager = scan();
    bool sawChrome = false, sawChromium = false;
    for (const auto& item : manager->cleanNetModel->allItems) {
        if (item->url.find("/google-chrome/") != std::string::npos) {
            sawChrome = true;
            EXPECT_EQ(item->runningApp, "chrome") << item->url;
            EXPECT_FALSE(item->isSelected) << item->url;
            EXPECT_TRUE(item->recommended) << "still recommended, only not ticked while it runs";
        }
        if (item->url.find("/chromium/") != std::string::npos) {
            sawChromium = true;
            EXPECT_TRUE(item->runningApp.empty()) << item->url;
        }
    }
    EXPECT_TRUE(sawChrome);
    EXPECT_TRUE(sawChromium);
    manager->cleanAcition();
    EXPECT_TRUE(home.tree.exists("home/.cache/google-chrome/Default/Cache/Cache_Data/f_0"));
}

TEST(RunningApps, MatchesByNamesAndWordsButNotByShellsOrInterpreters) {
    const RunningApps running({"firefox", "chrome", "bash", "python3", "sh", "code"});
    EXPECT_EQ(running.names(), (std::set<std::string>{"chrome", "code", "firefox"}));
    CleanAppCacheItem byFolder("/h/.cache/mozilla/firefox/x.default/cache2");
    EXPECT_EQ(running.ownerOf(byFolder, {"/h/.cache"}), "firefox");
    CleanAppCacheItem byWord("/h/.cache/google-chrome");
    EXPECT_EQ(running.ownerOf(byWord), "chrome");
    CleanAppCacheItem byId("/h/.var/app/org.mozilla.firefox/cache");
    byId.bundleIdentifier = "org.mozilla.firefox";
    EXPECT_EQ(running.ownerOf(byId), "firefox");
    CleanAppCacheItem unrelated("/h/.cache/pip");
    EXPECT_EQ(running.ownerOf(unrelated, {"/h/.cache"}), "");
    CleanAppCacheItem vscode("/h/.cache/vscode-cpptools");
    EXPECT_EQ(running.ownerOf(vscode, {"/h/.cache"}), "");
    EXPECT_TRUE(RunningApps::read("/nonexistent").names().empty());
}

TEST_F(LinuxClean, StopLetsTheCurrentItemFinishAndReachesNoOther) {
    for (int i = 0; i < 5; ++i) home.file(".local/share/Trash/files/t" + std::to_string(i), "t");
    auto manager = scan();
    recorder->onProgress = [&] { manager->stopClean(); };
    manager->startClean();
    manager->waitUntilCleanFinished();
    EXPECT_EQ(manager->cleanState.load(), CleanState::idle);
    int removed = 0, untouched = 0;
    for (const auto& model : manager->getModels())
        for (const auto& item : model->allItems) {
            if (!item->isSelected) continue;
            if (item->cleanOutcome == Outcome::removed) ++removed;
            if (item->cleanOutcome == Outcome::none) ++untouched;
        }
    EXPECT_EQ(removed, 1);
    EXPECT_GE(untouched, 5);
    std::lock_guard lock(recorder->mutex);
    EXPECT_NE(std::find(recorder->calls.begin(), recorder->calls.end(), "stop"),
              recorder->calls.end());
    EXPECT_EQ(std::find(recorder->calls.begin(), recorder->calls.end(), "completed"),
              recorder->calls.end());
    EXPECT_EQ(recorder->calls.back(), "stage-finish:0") << "the running kind still finishes";
}

TEST_F(LinuxClean, ALogFolderKeepsItsFoldersAndLiveLogs) {
    const std::vector<std::string> live{"apache2/access.log", "apache2/error.log",
                                        "mysql/error.log",    "sssd/sssd.log",
                                        "sssd/sssd_nss.log",  "syslog",
                                        "kern.log",           "auth.log"};
    const std::vector<std::string> rotated{"apache2/access.log.1", "apache2/error.log.2.gz",
                                           "mysql/error.log.1.gz", "sssd/sssd.log.1",
                                           "syslog.2.gz",          "kern.log.1"};
    for (const auto& rel : live) home.tree.file("root/var/log/" + rel, "live");
    for (const auto& rel : rotated) home.tree.file("root/var/log/" + rel, "rotated");
    home.tree.dir("root/var/log/empty-service");
    auto manager = scan();
    manager->cleanAcition();
    for (const auto& rel : live) EXPECT_TRUE(home.tree.exists("root/var/log/" + rel)) << rel;
    for (const auto& rel : rotated) EXPECT_FALSE(home.tree.exists("root/var/log/" + rel)) << rel;
    for (const char* folder : {"apache2", "mysql", "sssd", "empty-service"})
        EXPECT_TRUE(home.tree.exists(std::string("root/var/log/") + folder)) << folder;
}

}  // namespace
}  // namespace orvane::junk
