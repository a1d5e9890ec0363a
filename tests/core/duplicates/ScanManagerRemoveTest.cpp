#include <unistd.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "Groups.h"
#include "core/duplicates/DuplicateSelection.h"
#include "core/duplicates/ScanManager.h"
#include "core/files/FileRemover.h"
#include "platform/Volume.h"
#include "support/RecordingObserver.h"

using namespace orvane::duplicates;
using namespace orvane::duplicates::testing;
using orvane::testing::TempTree;

namespace {

using orvane::testing::RecordingObserver;

// A driver holding the given groups as scan results, counted as a scan would count them.
std::shared_ptr<ScanManager> managerWith(const std::vector<DuplicateFilesPtr>& groups,
                                         ScanManager::Environment env = {}) {
    auto m = ScanManager::create(std::move(env));
    for (const auto& g : groups) {
        m->totalFiles.push_back(g);
        m->totalFilesCount += static_cast<std::int64_t>(g->count());
        m->totalFilesSize += g->totalSize;
        if (g->infos().front()->fileType() == FileType::picture) {
            m->pictureFiles.push_back(g);
            m->pictureFilesCount += static_cast<std::int64_t>(g->count());
            m->pictureFilesSize += g->totalSize;
        } else {
            m->otherFiles.push_back(g);
            m->otherFilesCount += static_cast<std::int64_t>(g->count());
            m->otherFilesSize += g->totalSize;
        }
    }
    return m;
}

std::shared_ptr<RecordingObserver> watch(ScanManager& m) {
    auto r = std::make_shared<RecordingObserver>();
    m.delegate = r;
    return r;
}

}  // namespace

TEST(ScanManagerRemove, RemovesCheckedGroupsAndKeepsTheTotalsTrue) {
    TempTree t;
    auto photos = groupOf(t, {"a/p.jpg", "b/p.jpg", "c/p.jpg"}, std::string(1000, 'p'));
    auto notes = groupOf(t, {"a/n.dat", "b/n.dat"}, std::string(10, 'n'));
    auto untouched = groupOf(t, {"a/u.dat", "b/u.dat"}, std::string(10, 'u'));
    DuplicateSelection::autoSelect({photos, notes, untouched});
    // Off groups are never touched, whatever their files say.
    untouched->selectState = SelectState::off;

    auto m = managerWith({photos, notes, untouched});
    auto rec = watch(*m);
    m->removeDuplicateFiles(m->totalFiles, RemoveType::forever());
    ASSERT_TRUE(rec->waitForRemovalEnd());

    EXPECT_EQ(rec->removeCalls(), (std::vector<std::string>{"start", "finished"}));
    EXPECT_FALSE(t.exists("b/p.jpg") || t.exists("c/p.jpg") || t.exists("b/n.dat"));
    EXPECT_TRUE(t.exists("a/p.jpg") && t.exists("a/n.dat") && t.exists("b/u.dat"));
    EXPECT_EQ(m->succeedRemoveCount, 3);
    EXPECT_EQ(m->succeedRemoveSize, 2010u);
    EXPECT_EQ(m->failedRemoveCount, 0);
    EXPECT_EQ(m->totalFilesCount, 7 - 3);
    EXPECT_EQ(m->totalFilesSize, 3040u - 2010u);
    EXPECT_EQ(m->pictureFilesCount, 1);
    EXPECT_EQ(m->pictureFilesSize, 1000u);
    EXPECT_EQ(m->otherFilesCount, 3);
    EXPECT_TRUE(m->removeFinished);
    EXPECT_EQ(m->lastRemoveType, RemoveType::forever());
    // Groups that lost copies stay listed, with what is left.
    EXPECT_EQ(m->totalFiles.size(), 3u);
    EXPECT_EQ(photos->count(), 1u);
    ASSERT_EQ(rec->cleanProgressValues().size(), 3u);
    EXPECT_DOUBLE_EQ(rec->cleanProgressValues().back().first, 1.0);
    EXPECT_EQ(rec->cleanProgressValues().back().second, 3);
}

TEST(ScanManagerRemove, MissingDestinationFolderRefusesEverything) {
    TempTree t;
    auto g = groupOf(t, {"a/x", "b/x"}, "x");
    DuplicateSelection::autoSelect({g});
    auto m = managerWith({g});
    auto rec = watch(*m);
    m->removeDuplicateFiles(m->totalFiles, RemoveType::folder(t.path("no/such/folder")));
    ASSERT_TRUE(rec->waitForRemovalEnd());
    EXPECT_EQ(rec->removeCalls(), std::vector<std::string>{"refused"});
    EXPECT_EQ(rec->refusal(),
              "The folder does not exist. Please choose another one. It may be moved, renamed or "
              "deleted.");
    EXPECT_TRUE(t.exists("b/x"));
}

TEST(ScanManagerRemove, NotEnoughRoomForTheCopiesRefusesBeforeTouchingAnything) {
    TempTree t;
    if (::access("/dev/shm", W_OK) != 0 || !FileRemover::needsCopy(t.root(), "/dev/shm"))
        GTEST_SKIP() << "no second writable file system here";
    char tmpl[] = "/dev/shm/orvane-driver-XXXXXX";
    ASSERT_TRUE(::mkdtemp(tmpl));
    const std::string dest = tmpl;
    auto g = groupOf(t, {"a/v.mov", "b/v.mov", "c/v.mov"}, std::string(4000, 'v'));
    DuplicateSelection::autoSelect({g});
    ScanManager::Environment env;
    env.volumeOf = [](const std::string& path) -> std::optional<orvane::platform::VolumeInfo> {
        auto v = orvane::platform::volumeOf(path);
        if (v && path.rfind("/dev/shm", 0) == 0) {
            v->name = "Backup";
            v->freeBytes = 5000;  // room for one copy, not for two
        }
        return v;
    };
    auto m = managerWith({g}, env);
    auto rec = watch(*m);
    m->removeDuplicateFiles(m->totalFiles, RemoveType::folder(dest));
    ASSERT_TRUE(rec->waitForRemovalEnd());
    EXPECT_EQ(rec->removeCalls(), std::vector<std::string>{"refused"});
    EXPECT_EQ(rec->refusal(),
              "There is insufficient space on disk Backup. Please choose to permanently delete "
              "these files or you can free up 3 KB space on disk Backup before removing duplicate "
              "files.");
    EXPECT_TRUE(t.exists("b/v.mov") && t.exists("c/v.mov"));
    EXPECT_TRUE(std::filesystem::is_empty(dest));
    std::filesystem::remove_all(dest);
}

TEST(ScanManagerRemove, TrashOnTheSameVolumeNeedsNoRoom) {
    TempTree t;
    const std::string home = t.dir("home");
    auto layout = orvane::platform::Layout::macLayout(t.root(), home);
    auto g = groupOf(t, {"home/a/d.txt", "home/b/d.txt"}, "doc");
    DuplicateSelection::autoSelect({g});
    ScanManager::Environment env;
    env.layout = layout;
    env.volumeOf = [](const std::string& path) {
        auto v = orvane::platform::volumeOf(path);
        if (v) v->freeBytes = 0;  // a full disk: moving within it still works
        return v;
    };
    // No Trash folder yet: it is made on first use, on the same disk.
    auto m = managerWith({g}, env);
    auto rec = watch(*m);
    m->removeDuplicateFiles(m->totalFiles, RemoveType::trash());
    ASSERT_TRUE(rec->waitForRemovalEnd());
    EXPECT_EQ(rec->removeCalls(), (std::vector<std::string>{"start", "finished"}));
    EXPECT_TRUE(std::filesystem::exists(layout.trash + "/d.txt"));
    EXPECT_FALSE(t.exists("home/b/d.txt"));
}

TEST(ScanManagerRemove, StopLeavesTheRestAndSaysSo) {
    TempTree t;
    auto g1 = groupOf(t, {"a/1", "b/1"}, "1");
    auto g2 = groupOf(t, {"a/2", "b/2"}, "22");
    DuplicateSelection::autoSelect({g1, g2});
    auto m = managerWith({g1, g2});
    auto rec = watch(*m);
    std::weak_ptr<ScanManager> weak = m;
    rec->onStartRemove = [weak] {
        if (auto s = weak.lock()) s->removeStop = true;
    };
    m->removeDuplicateFiles(m->totalFiles, RemoveType::forever());
    ASSERT_TRUE(rec->waitForRemovalEnd());
    EXPECT_EQ(rec->removeCalls(), (std::vector<std::string>{"start", "stop", "finished"}));
    EXPECT_TRUE(t.exists("b/1") && t.exists("b/2"));
    EXPECT_EQ(m->succeedRemoveCount, 0);
    // The next run starts clean: the stop of the last one does not carry over.
    auto rec2 = watch(*m);
    m->removeDuplicateFiles(m->totalFiles, RemoveType::forever());
    ASSERT_TRUE(rec2->waitForRemovalEnd());
    EXPECT_FALSE(t.exists("b/1") || t.exists("b/2"));
}

namespace {

// The groups of a finished scan of `root`, by a driver of its own.
std::shared_ptr<ScanManager> scanned(TempTree& t, const std::string& root) {
    ScanManager::Environment env;
    env.settingsPath = t.path("settings/PreferenceInfo.plist");
    env.homeDirectory = "/Users/me";
    auto m = ScanManager::create(std::move(env));
    m->folderList = {root};
    m->scanDuplicateFile();
    m->waitUntilScanFinished();
    return m;
}

}  // namespace

TEST(ScanManagerRemove, TotalsByKindAfterARemovalAreWhatAFreshScanFinds) {
    TempTree t;
    // A picture group whose third copy's name makes it look like "other"; a picture pair; a
    // document pair; a document file with a second name (a hard link) and a real copy.
    t.file("data/a/sun.jpg", std::string(3000, 's'));
    t.file("data/b/sun.jpg", std::string(3000, 's'));
    t.file("data/c/sun.jpg.orig", std::string(3000, 's'));
    t.file("data/a/moon.png", std::string(2000, 'm'));
    t.file("data/b/moon.png", std::string(2000, 'm'));
    t.file("data/a/memo.txt", std::string(33, 'n'));
    t.file("data/b/memo.txt", std::string(33, 'n'));
    t.file("data/a/plan.pdf", std::string(500, 'q'));
    t.hardlink("data/a/plan.pdf", "data/b/plan.pdf");
    t.file("data/c/plan.pdf", std::string(500, 'q'));

    auto m = scanned(t, t.path("data"));
    ASSERT_EQ(m->totalFiles.size(), 4u);
    EXPECT_EQ(m->pictureFilesSize, 3u * 3000 + 2u * 2000);
    EXPECT_EQ(m->documentFilesSize, 2u * 33 + 2u * 500);

    // Take the odd-named copy of the sun, one moon (the pair is then no duplicate), and the
    // hard-linked name of the plan (which frees nothing).
    for (const auto& g : m->totalFiles)
        for (const auto& f : g->infos())
            f->selected = f->path().ends_with("c/sun.jpg.orig") ||
                          f->path().ends_with("b/moon.png") || f->path().ends_with("b/plan.pdf");
    for (const auto& g : m->totalFiles) DuplicateSelection::refreshGroup(*g);
    auto rec = watch(*m);
    m->removeDuplicateFiles(m->totalFiles, RemoveType::forever());
    ASSERT_TRUE(rec->waitForRemovalEnd());
    ASSERT_EQ(m->succeedRemoveCount, 3);
    EXPECT_EQ(m->succeedRemoveSize, 3000u + 2000u) << "a second name frees nothing";

    // The driver took each copy off the list its group is counted in, by what it freed.
    EXPECT_EQ(m->pictureFilesSize, 2u * 3000 + 2000u);
    EXPECT_EQ(m->otherFilesSize, 0u);
    EXPECT_EQ(m->documentFilesSize, 2u * 33 + 2u * 500);

    // What the results screen shows is what a new scan of the same files finds.
    const auto after = DuplicateSelection::remainingByKind(m->totalFiles);
    auto fresh = scanned(t, t.path("data"));
    const auto again = DuplicateSelection::remainingByKind(fresh->totalFiles);
    for (std::size_t kind = 0; kind < after.size(); ++kind) {
        EXPECT_EQ(after[kind].size, again[kind].size) << "kind " << kind;
        EXPECT_EQ(after[kind].groups.size(), again[kind].groups.size()) << "kind " << kind;
    }
    EXPECT_EQ(after[static_cast<std::size_t>(FileType::picture)].size, 6000u);
    EXPECT_EQ(after[static_cast<std::size_t>(FileType::document)].size, 66u + 1000u);
    EXPECT_EQ(fresh->pictureFilesSize, 6000u);
}
