#include <glib.h>
#include <sys/stat.h>

#include <filesystem>
#include <thread>

#include "GlibHome.h"
#include "PhotoFixture.h"
#include "core/photos/PhotoSelection.h"

using namespace orvane::photos;
using namespace orvane::photos::testing;

namespace {

struct RemoveRecorder : ScanImagesRemoveProtocol {
    int started = 0, stopped = 0, finished = 0;
    std::vector<double> fractions;
    std::function<void(ScanImagesManager&)> onProgress;
    void removeManagerDidStart(ScanImagesManager&) override { ++started; }
    void progressDidChange(ScanImagesManager& m, double f) override {
        fractions.push_back(f);
        if (onProgress) onProgress(m);
    }
    void removeManagerDidStop(ScanImagesManager&) override { ++stopped; }
    void removeMangerDidFinish(ScanImagesManager&) override { ++finished; }
};

ScanImagesItemPtr item(double date, std::int64_t size, const std::string& path = "") {
    auto i = std::make_shared<ScanImagesItem>();
    i->modifiedDate = date;
    i->imageSize = size;
    i->imagePath = path;
    return i;
}

class Removal : public PhotoTest {
protected:
    // Groups of real files: sizes 1..n bytes, as the driver would have built them.
    ScanImagesGroupItemPtr group(const std::string& name, int n) {
        auto g = std::make_shared<ScanImagesGroupItem>();
        for (int i = 0; i < n; ++i) {
            const auto path = tree.file(name + "/" + std::to_string(i) + ".jpg",
                                        std::string(std::size_t(i + 1), 'p'));
            g->dupImageItems.push_back(manager.makeItem(path));
            g->groupSize += i + 1;
        }
        g->groupCount = n;
        g->sourceImagePath = g->dupImageItems[0]->imagePath;
        return g;
    }
    void select(const ScanImagesGroupItemPtr& g, std::initializer_list<int> which) {
        for (const int i : which) g->dupImageItems[std::size_t(i)]->isSelect = true;
    }

    ScanImagesManager manager{environment()};
    std::shared_ptr<RemoveRecorder> recorder = std::make_shared<RemoveRecorder>();
};

}  // namespace

TEST(PhotoSelection, DisplayOrderIsNewestFirstThenLargest) {
    ScanImagesGroupItem g;
    g.dupImageItems = {item(100, 5), item(300, 1), item(200, 9), item(200, 10)};
    auto undated = item(0, 50);
    undated->modifiedDate.reset();
    g.dupImageItems.push_back(undated);
    orderGroupForDisplay(g);
    std::vector<std::int64_t> sizes;
    for (const auto& i : g.dupImageItems) sizes.push_back(i->imageSize);
    // The undated one is placed by size against its neighbours; nothing is lost or doubled.
    EXPECT_EQ(sizes.size(), 5u);
    EXPECT_EQ(std::count(sizes.begin(), sizes.end(), 50), 1);
    ScanImagesGroupItem dated;
    dated.dupImageItems = {item(100, 5), item(300, 1), item(200, 9), item(200, 10)};
    orderGroupForDisplay(dated);
    sizes.clear();
    for (const auto& i : dated.dupImageItems) sizes.push_back(i->imageSize);
    EXPECT_EQ(sizes, (std::vector<std::int64_t>{1, 10, 9, 5}));
}

TEST(PhotoSelection, AutoSelectKeepsTheOldestOrTheNewestAndSortsAreStable) {
    auto g1 = std::make_shared<ScanImagesGroupItem>();
    g1->dupImageItems = {item(300, 1), item(200, 2), item(100, 3)};  // display order: newest first
    g1->groupSize = 6;
    auto g2 = std::make_shared<ScanImagesGroupItem>();
    g2->dupImageItems = {item(50, 10), item(40, 10)};
    g2->groupSize = 20;
    ScanImagesGroups groups = {g1, g2};

    autoSelect(groups, AutoSelect::selectNew);
    EXPECT_TRUE(g1->isSelect);
    EXPECT_TRUE(g1->dupImageItems[0]->isSelect);
    EXPECT_FALSE(g1->dupImageItems[2]->isSelect);  // the oldest stays
    EXPECT_EQ(selectedCount(groups), 3);
    EXPECT_EQ(selectedSize(groups), 1 + 2 + 10);

    autoSelect(groups, AutoSelect::selectOld);
    EXPECT_FALSE(g1->dupImageItems[0]->isSelect);  // the newest stays
    EXPECT_TRUE(g1->dupImageItems[2]->isSelect);
    EXPECT_EQ(selectedSize(groups), 2 + 3 + 10);

    deselectAll(groups);
    EXPECT_EQ(selectedCount(groups), 0);
    EXPECT_FALSE(g1->isSelect);

    setItemSelected(*g2, *g2->dupImageItems[0], true);
    EXPECT_FALSE(g2->isSelect);
    setItemSelected(*g2, *g2->dupImageItems[1], true);
    EXPECT_TRUE(g2->isSelect);

    sortGroups(groups, GroupSort::bySize);
    EXPECT_EQ(groups[0], g2);
    sortGroups(groups, GroupSort::byQuantity);
    EXPECT_EQ(groups[0], g1);
    auto g3 = std::make_shared<ScanImagesGroupItem>();
    g3->dupImageItems = {item(1, 1), item(1, 1), item(1, 1)};
    groups.push_back(g3);
    sortGroups(groups, GroupSort::byQuantity);
    EXPECT_EQ(groups[0], g1);  // equal counts keep their order
    EXPECT_EQ(groups[1], g3);
}

TEST_F(Removal, AutoSelectLeavesOtherNamesOfTheKeptPictureUnmarked) {
    // Oldest to newest: 0.jpg, 1.jpg, 2.jpg; "old-link.jpg" is 0.jpg under another name, and
    // "new-link.jpg" is 2.jpg under another name.
    auto g = group("linked", 3);
    const auto& items = g->dupImageItems;
    const auto link = [&](const ScanImagesItemPtr& of, const std::string& name) {
        const auto path = tree.path("linked/" + name);
        std::filesystem::create_hard_link(of->imagePath, path);
        return manager.makeItem(path);
    };
    auto oldLink = link(items[0], "old-link.jpg"), newLink = link(items[2], "new-link.jpg");
    // The display order, newest first, with each link beside its file.
    g->dupImageItems = {items[2], newLink, items[1], oldLink, items[0]};
    ScanImagesGroups groups = {g};

    autoSelect(groups, AutoSelect::selectNew);  // keeps 0.jpg
    EXPECT_FALSE(g->dupImageItems[4]->isSelect);
    EXPECT_FALSE(oldLink->isSelect);
    EXPECT_TRUE(g->dupImageItems[0]->isSelect);
    EXPECT_TRUE(newLink->isSelect);  // a link of a picture that goes is still a copy to take
    EXPECT_TRUE(g->dupImageItems[2]->isSelect);
    EXPECT_EQ(selectedCount(groups), 3);

    autoSelect(groups, AutoSelect::selectOld);  // keeps 2.jpg
    EXPECT_FALSE(g->dupImageItems[0]->isSelect);
    EXPECT_FALSE(newLink->isSelect);
    EXPECT_TRUE(oldLink->isSelect);
    EXPECT_EQ(selectedCount(groups), 3);

    // Without what the scan recorded, the names are told apart by what the disk says now.
    newLink->identity.reset();
    autoSelect(groups, AutoSelect::selectOld);
    EXPECT_FALSE(newLink->isSelect);
    // A name that is gone cannot be the kept picture.
    std::filesystem::remove(newLink->imagePath);
    autoSelect(groups, AutoSelect::selectOld);
    EXPECT_TRUE(newLink->isSelect);
}

TEST_F(Removal, GroupsLeftWithOnePictureGoAndLargerOnesStayUnmarked) {
    auto three = group("three", 3), four = group("four", 4);
    select(three, {0, 1});
    select(four, {1, 3});
    manager.setRemoveDelegate(recorder);
    manager.setRemoveType(ScanImagesManager::deleteForever);
    manager.removeDuplicatesImagesNow({three, four});
    EXPECT_EQ(recorder->finished, 1);
    EXPECT_EQ(manager.scanState(), 8);
    EXPECT_EQ(manager.removeImagesSuccessCount(), 4);
    EXPECT_EQ(manager.removeImagesSuccessSize(), 1 + 2 + 2 + 4);
    EXPECT_FALSE(tree.exists("three/0.jpg"));
    EXPECT_TRUE(tree.exists("three/2.jpg"));
    EXPECT_TRUE(tree.exists("four/0.jpg") && tree.exists("four/2.jpg"));
    EXPECT_FALSE(tree.exists("four/1.jpg") || tree.exists("four/3.jpg"));
    const auto results = manager.dupImages();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0], four);
    EXPECT_EQ(four->dupImageItems.size(), 2u);
    EXPECT_EQ(four->groupSize, 1 + 3);
    EXPECT_EQ(four->groupName, "Group 1");
    for (const auto& i : four->dupImageItems) EXPECT_FALSE(i->isSelect);
    EXPECT_EQ(recorder->fractions.back(), 1.0);
}

TEST_F(Removal, VanishedReplacedAndLastPicturesAreRefusedOnTheirItem) {
    auto g = group("g", 5);
    select(g, {0, 1, 2, 3});
    std::filesystem::remove(tree.path("g/0.jpg"));
    // Replaced by another file under the same name since the scan.
    std::filesystem::remove(tree.path("g/1.jpg"));
    tree.file("g/1.jpg", "zz");
    manager.setRemoveType(ScanImagesManager::deleteForever);
    manager.removeDuplicatesImagesNow({g});
    ASSERT_EQ(g->dupImageItems.size(), 3u);
    const auto named = [&](const std::string& name) {
        for (const auto& i : g->dupImageItems)
            if (i->imageName == name) return i;
        return ScanImagesItemPtr();
    };
    ASSERT_TRUE(named("0.jpg") && named("1.jpg") && named("4.jpg"));
    EXPECT_EQ(named("0.jpg")->removeError, "file path does not exist.");
    EXPECT_TRUE(named("0.jpg")->isRemoveFailed);
    EXPECT_TRUE(named("1.jpg")->isRemoveFailed);
    EXPECT_TRUE(named("1.jpg")->removeError && !named("1.jpg")->removeError->empty());
    const auto& items = g->dupImageItems;
    EXPECT_EQ(tree.read("g/1.jpg"), "zz");
    EXPECT_FALSE(tree.exists("g/2.jpg"));
    EXPECT_FALSE(tree.exists("g/3.jpg"));
    EXPECT_TRUE(tree.exists("g/4.jpg"));
    for (const auto& i : items) EXPECT_FALSE(i->isSelect);

    // Everything selected: the last picture of the group stays.
    auto lonely = group("lonely", 2);
    select(lonely, {0, 1});
    manager.removeDuplicatesImagesNow({lonely});
    EXPECT_NE(tree.exists("lonely/0.jpg"), tree.exists("lonely/1.jpg"));
    EXPECT_EQ(manager.removeImagesSuccessCount(), 3);  // counted since the scan, across runs
    ASSERT_EQ(lonely->dupImageItems.size(), 1u);
    EXPECT_TRUE(lonely->dupImageItems[0]->isRemoveFailed);
    ASSERT_TRUE(lonely->dupImageItems[0]->removeError);
    EXPECT_TRUE(manager.dupImages().empty());
}

TEST_F(Removal, MovingIntoAFolderThatHasTheNameStampsTheTime) {
    auto g = group("m", 2);
    select(g, {1});
    const std::string dest = tree.dir("dest");
    tree.file("dest/1.jpg", "already here");
    manager.setRemoveType(ScanImagesManager::moveToFolder, dest);
    EXPECT_EQ(manager.removePath(), dest);
    manager.removeDuplicatesImagesNow({g});
    EXPECT_FALSE(tree.exists("m/1.jpg"));
    EXPECT_EQ(tree.read("dest/1.jpg"), "already here");
    int stamped = 0;
    for (const auto& e : std::filesystem::directory_iterator(dest)) {
        const std::string name = e.path().filename().string();
        if (name != "1.jpg") {
            ++stamped;
            EXPECT_EQ(name.rfind("1 ", 0), 0u) << name;
            EXPECT_EQ(name.substr(name.size() - 4), ".jpg") << name;
            EXPECT_EQ(name.size(), std::string("1 2026-01-01 00:00:00:000.jpg").size()) << name;
        }
    }
    EXPECT_EQ(stamped, 1);
    const std::string p = ScanImagesManager::setRemoveDestPath(dest, "new.jpg");
    EXPECT_EQ(p, dest + "/new.jpg");
}

TEST_F(Removal, TrashTakesThePictureWhereTheFileManagerRestoresIt) {
    auto g = group("t", 2);
    select(g, {0});
    manager.setRemoveType(ScanImagesManager::toTrash);
    manager.removeDuplicatesImagesNow({g});
    EXPECT_FALSE(tree.exists("t/0.jpg"));
    EXPECT_FALSE(g->dupImageItems[0]->isRemoveFailed);
    const std::string trashed = std::string(g_get_user_data_dir()) + "/Trash/files/0.jpg";
    EXPECT_TRUE(std::filesystem::exists(trashed)) << trashed;
}

TEST_F(Removal, StopAfterTheFirstPictureLeavesTheRestAsTheyWere) {
    auto first = group("a", 3), second = group("b", 3);
    select(first, {0, 1});
    select(second, {0, 1});
    recorder->onProgress = [](ScanImagesManager& m) { m.stopRemove(); };
    manager.setRemoveDelegate(recorder);
    manager.setRemoveType(ScanImagesManager::deleteForever);
    manager.removeDuplicatesImages({first, second});
    manager.waitForRemoval();
    EXPECT_EQ(recorder->started, 1);
    EXPECT_EQ(recorder->stopped, 1);
    EXPECT_EQ(recorder->finished, 0);
    EXPECT_EQ(manager.scanState(), 7);
    EXPECT_FALSE(tree.exists("a/0.jpg"));
    EXPECT_TRUE(tree.exists("a/1.jpg"));
    EXPECT_EQ(second->dupImageItems.size(), 3u);
    EXPECT_EQ(selectedCount({second}), 2);
    EXPECT_TRUE(tree.exists("b/0.jpg") && tree.exists("b/1.jpg"));
}

TEST_F(Removal, APictureEditedInPlaceSinceTheScanIsLeftAlone) {
    auto g = group("e", 3);
    select(g, {1});
    // Same inode, same size, same modification time: only the change time tells.
    const std::string path = tree.path("e/1.jpg");
    struct stat before {};
    ::lstat(path.c_str(), &before);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    tree.file("e/1.jpg", "qq");
    tree.setMtime("e/1.jpg", double(before.st_mtim.tv_sec) + before.st_mtim.tv_nsec / 1e9);
    manager.setRemoveType(ScanImagesManager::deleteForever);
    manager.removeDuplicatesImagesNow({g});
    EXPECT_EQ(tree.read("e/1.jpg"), "qq");
    bool refused = false;
    for (const auto& i : g->dupImageItems)
        refused = refused || (i->imageName == "1.jpg" && i->isRemoveFailed);
    EXPECT_TRUE(refused);
}
