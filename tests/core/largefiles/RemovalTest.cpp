#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "core/files/ScanManagerProtocol.h"
#include "core/largefiles/LargeFilesManager.h"
#include "core/settings/PerferenceInfo.h"
#include "kit/MainQueue.h"
#include "platform/mac/FolderTrash.h"
#include "support/RecordingObserver.h"
#include "support/TempTree.h"

namespace orvane::largefiles {
namespace {

using files::RemoveType;
using testing::ScopedHome;
using testing::TempTree;

using testing::RecordingObserver;

class LargeFileRemoval : public ::testing::Test {
protected:
    LargeFileRemoval() : home(tree) {
        prefs = std::make_shared<settings::PerferenceInfo>(tree.path("prefs/PreferenceInfo.plist"));
        manager.preferenceLoader = [this] { return prefs; };
        manager.trashFactory = [this] {
            return std::make_unique<platform::FolderTrash>(tree.dir("trash"));
        };
        manager.removeRefused = [this](const std::string& message) { refusal = message; };
        manager.delegate = observer;
    }

    void scan() {
        manager.folderList = {tree.path("data")};
        manager.scanLargeFile();
    }
    std::shared_ptr<files::FileInfo> find(std::size_t group, const std::string& rel) {
        for (const auto& info : manager.allFiles[group]->infos())
            if (info->path() == tree.path("data/" + rel)) return info;
        return nullptr;
    }
    // Runs a removal and waits for its end (or its refusal) on this test's main loop.
    void remove(RemoveType type) {
        manager.removeDuplicateFiles(type);
        loop.runUntil([&] { return observer->removalEnded() || !refusal.empty(); },
                      std::chrono::seconds(60));
        manager.waitUntilRemovalFinished();
        loop.drain();
    }

    kit::MainLoop loop;
    TempTree tree;
    ScopedHome home;
    std::shared_ptr<settings::PerferenceInfo> prefs;
    std::shared_ptr<RecordingObserver> observer = std::make_shared<RecordingObserver>();
    LargeFilesManager manager;
    std::string refusal;
};

TEST_F(LargeFileRemoval, FileChosenInTwoListsIsRemovedOnceAndLeavesEveryList) {
    tree.sparseFile("data/huge.mkv", 5'000'000'000);
    tree.sparseFile("data/keep.mkv", 20'000'000);
    scan();
    ASSERT_EQ(manager.allFiles[allLargeFiles]->count(), 2u);

    // Ticked under "Today" and again under "Over 5GB": the very same record.
    auto today = find(largeFilesTypeToday, "huge.mkv");
    auto big = find(above5G, "huge.mkv");
    ASSERT_TRUE(today && big);
    EXPECT_EQ(today, big);
    today->selected = true;
    big->selected = true;
    EXPECT_EQ(manager.selectedFiles().size(), 1u);

    remove(RemoveType::trash());
    EXPECT_TRUE(refusal.empty()) << refusal;
    EXPECT_EQ(observer->removeStarts, 1);
    EXPECT_EQ(manager.removesucceedCount, 1);
    EXPECT_EQ(manager.removesucceedSize, 5'000'000'000u);
    EXPECT_EQ(manager.errorRemoveCount, 0);
    EXPECT_FALSE(tree.exists("data/huge.mkv"));
    EXPECT_TRUE(tree.exists("trash/huge.mkv"));
    EXPECT_TRUE(tree.exists("data/keep.mkv"));

    for (std::size_t i = 0; i < kLargeFileGroupCount; ++i)
        EXPECT_FALSE(find(i, "huge.mkv")) << "still listed in group " << i;
    EXPECT_EQ(manager.allFiles[allLargeFiles]->count(), 1u);
    EXPECT_EQ(manager.allFiles[allLargeFiles]->totalSize, 20'000'000u);
    EXPECT_EQ(manager.allFiles[above5G]->totalSize, 0u);
    EXPECT_EQ(manager.allFiles[videoGroup]->count(), 1u);
}

TEST_F(LargeFileRemoval, NamesOfAFileThatKeepsAnotherNameFreeNothing) {
    tree.sparseFile("data/film.mkv", 60'000'000);
    tree.hardlink("data/film.mkv", "elsewhere/film.mkv");  // a name the scan never sees
    tree.sparseFile("data/pair.mkv", 30'000'000);
    tree.hardlink("data/pair.mkv", "data/pair again.mkv");
    tree.sparseFile("data/alone.mkv", 20'000'000);
    scan();
    for (const char* name : {"film.mkv", "pair.mkv", "pair again.mkv", "alone.mkv"})
        find(allLargeFiles, name)->selected = true;

    remove(RemoveType::forever());
    EXPECT_TRUE(refusal.empty()) << refusal;
    EXPECT_EQ(manager.removesucceedCount, 4);
    // The film lives on under its other name; of the pair, only the last name to go gave
    // its bytes back.
    EXPECT_EQ(manager.removesucceedSize, 30'000'000u + 20'000'000u);
    EXPECT_TRUE(tree.exists("elsewhere/film.mkv"));
    EXPECT_FALSE(tree.exists("data/film.mkv"));
}

TEST_F(LargeFileRemoval, BothNamesOfOneFileGoToTheTrashAndCountOnce) {
    tree.sparseFile("data/pair.mkv", 30'000'000);
    tree.hardlink("data/pair.mkv", "data/pair again.mkv");
    scan();
    find(allLargeFiles, "pair.mkv")->selected = true;
    find(allLargeFiles, "pair again.mkv")->selected = true;

    // Moving the first name touches the file; the second must not be taken for edited.
    remove(RemoveType::trash());
    EXPECT_EQ(manager.errorRemoveCount, 0);
    EXPECT_EQ(manager.removesucceedCount, 2);
    EXPECT_EQ(manager.removesucceedSize, 30'000'000u);
    EXPECT_FALSE(tree.exists("data/pair.mkv"));
    EXPECT_FALSE(tree.exists("data/pair again.mkv"));
}

TEST_F(LargeFileRemoval, VanishedReplacedAndLinkedFilesFailOnTheirOwnRows) {
    tree.sparseFile("data/gone.bin", 20'000'000);
    tree.sparseFile("data/replaced.bin", 20'000'000);
    tree.sparseFile("data/fine.bin", 20'000'000);
    tree.sparseFile("data/target.bin", 20'000'000);
    tree.symlink("target.bin", "data/link.bin");
    scan();
    for (const auto& info : manager.allFiles[allLargeFiles]->infos())
        if (!info->path().ends_with("target.bin")) info->selected = true;

    ::unlink(tree.path("data/gone.bin").c_str());
    ::unlink(tree.path("data/replaced.bin").c_str());
    tree.sparseFile("data/replaced.bin", 20'000'000);  // same name, another file

    remove(RemoveType::forever());
    EXPECT_EQ(manager.removesucceedCount, 1);
    EXPECT_EQ(manager.errorRemoveCount, 3);
    EXPECT_FALSE(tree.exists("data/fine.bin"));
    EXPECT_TRUE(tree.exists("data/replaced.bin")) << "a file that is not the scanned one is kept";
    EXPECT_TRUE(tree.exists("data/target.bin"));
    EXPECT_TRUE(tree.exists("data/link.bin"));

    for (const char* name : {"gone.bin", "replaced.bin", "link.bin"}) {
        auto info = find(allLargeFiles, name);
        ASSERT_TRUE(info) << name << " failed, so it stays listed";
        ASSERT_TRUE(info->removeError) << name;
        EXPECT_FALSE(info->removeError->description.empty());
    }
    EXPECT_EQ(find(allLargeFiles, "gone.bin")->removeError->description,
              "file path does not exist.");
    EXPECT_FALSE(find(allLargeFiles, "fine.bin"));
}

TEST_F(LargeFileRemoval, MoveToFolderKeepsBothNamesAndRefusesAMissingFolder) {
    tree.sparseFile("data/a/clip.mp4", 20'000'000);
    tree.sparseFile("data/b/clip.mp4", 20'000'000);
    tree.sparseFile("kept/clip.mp4", 1);
    scan();
    for (const auto& info : manager.allFiles[allLargeFiles]->infos()) info->selected = true;

    remove(RemoveType::folder(tree.path("nowhere")));
    EXPECT_NE(refusal.find("The folder does not exist"), std::string::npos);
    EXPECT_TRUE(tree.exists("data/a/clip.mp4"));
    EXPECT_EQ(manager.removesucceedCount, 0);

    refusal.clear();
    remove(RemoveType::folder(tree.path("kept")));
    EXPECT_TRUE(refusal.empty()) << refusal;
    EXPECT_EQ(manager.removesucceedCount, 2);
    EXPECT_FALSE(tree.exists("data/a/clip.mp4"));
    EXPECT_FALSE(tree.exists("data/b/clip.mp4"));
    struct stat st {};
    ASSERT_EQ(::stat(tree.path("kept/clip.mp4").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 1) << "what was in the folder is never replaced";
    EXPECT_TRUE(manager.allFiles[allLargeFiles]->infos().empty());
}

TEST_F(LargeFileRemoval, NotEnoughRoomAtTheDestinationTouchesNothing) {
    tree.sparseFile("data/big.iso", 20'000'000);
    tree.dir("dest");
    scan();
    manager.allFiles[allLargeFiles]->infos().front()->selected = true;
    manager.freeSpaceReader = [](const std::string&) { return std::optional<std::uint64_t>(1000); };

    // On the same file system a move is a rename and needs no room.
    remove(RemoveType::folder(tree.path("dest")));
    EXPECT_TRUE(refusal.empty()) << refusal;
    EXPECT_TRUE(tree.exists("dest/big.iso"));

    // Across file systems the bytes must fit first.
    char shm[] = "/dev/shm/orvane-test-XXXXXX";
    if (!::mkdtemp(shm)) GTEST_SKIP() << "no second file system to move to";
    const std::string other = shm;
    tree.sparseFile("data/big2.iso", 20'000'000);
    scan();
    ASSERT_TRUE(files::FileRemover::needsCopy(tree.path("data/big2.iso"), other));
    manager.allFiles[allLargeFiles]->infos().front()->selected = true;
    observer->resetRemovalEnded();
    remove(RemoveType::folder(other));
    EXPECT_NE(refusal.find("insufficient space"), std::string::npos) << refusal;
    EXPECT_TRUE(tree.exists("data/big2.iso"));
    EXPECT_EQ(::rmdir(other.c_str()), 0) << "nothing was copied there";
}

TEST_F(LargeFileRemoval, UnselectedFilesAreNeverTouched) {
    tree.sparseFile("data/one.bin", 20'000'000);
    tree.sparseFile("data/two.bin", 20'000'000);
    scan();
    find(allLargeFiles, "one.bin")->selected = true;
    remove(RemoveType::forever());
    EXPECT_FALSE(tree.exists("data/one.bin"));
    EXPECT_TRUE(tree.exists("data/two.bin"));
    EXPECT_EQ(observer->lastCleanCount, 1);
}

}  // namespace
}  // namespace orvane::largefiles
