#include <gtest/gtest.h>

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "app/common/DefaultsStore.h"
#include "app/common/DragView.h"
#include "app/common/FolderItem.h"
#include "app/common/MultPathsSelectViewController.h"
#include "app/common/SinglePathSelectViewController.h"
#include "kit/Paths.h"
#include "support/GuiTestSupport.h"
#include "support/TempTree.h"

using namespace orvane::app;
using namespace orvane::testing;

namespace {

class PathSelectTest : public ::testing::Test {
protected:
    void SetUp() override {
        guiApp();
        pictures = tree.dir("home/Pictures");
        a = tree.dir("data/a");
        b = tree.dir("data/b");
        file = tree.file("data/notes.txt", "x");
        bundle = tree.dir("data/Tool.app");
    }
    static QMimeData* urls(const std::vector<std::string>& paths) {
        auto* mime = new QMimeData;
        QList<QUrl> list;
        for (const auto& p : paths) list.push_back(QUrl::fromLocalFile(QString::fromStdString(p)));
        mime->setUrls(list);
        return mime;
    }
    // Sends enter, move and (when accepted) drop to the zone, as a drag from a file manager would.
    static bool dragOnto(DragView* zone, const std::vector<std::string>& paths) {
        std::unique_ptr<QMimeData> mime(urls(paths));
        QPoint at(10, 10);
        QDragEnterEvent enter(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(zone, &enter);
        QDragMoveEvent move(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(zone, &move);
        if (!move.isAccepted()) return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(zone, &drop);
        return drop.isAccepted();
    }
    TempTree tree;
    ScopedHome home{tree};
    std::string pictures, a, b, file, bundle;
};

}  // namespace

TEST_F(PathSelectTest, TileCaptions) {
    EXPECT_EQ((FolderItem{{}, true}.name()), "Add Folder");
    EXPECT_EQ((FolderItem{pictures, false}.name()), "Photos Library");
    EXPECT_EQ((FolderItem{a, false}.name()), "a");
    const QString root = FolderItem{"/", false}.name();
    if (auto volume = orvane::kit::getVolumeName(); volume && !volume->empty())
        EXPECT_EQ(root, QString::fromStdString(*volume));
    else EXPECT_EQ(root, "/");
}

TEST_F(PathSelectTest, DropZoneTakesFoldersOnly) {
    EXPECT_EQ(
        DragView::acceptedPaths({QUrl::fromLocalFile(QString::fromStdString(file)),
                                 QUrl::fromLocalFile(QString::fromStdString(bundle)),
                                 QUrl::fromLocalFile(QString::fromStdString(a)),
                                 QUrl::fromLocalFile(QString::fromStdString(tree.path("gone"))),
                                 QUrl(QStringLiteral("https://example.com/x"))}),
        std::vector<std::string>{a});

    MultPathsSelectViewController multi;
    multi.show();
    EXPECT_FALSE(dragOnto(multi.dragView(), {file, bundle}));
    EXPECT_TRUE(multi.dragView()->isFile);
    EXPECT_EQ(multi.dragView()->cursor().shape(), Qt::ForbiddenCursor);
    EXPECT_EQ(multi.folderItems().size(), 1u);
    EXPECT_TRUE(multi.folderPaths().empty());

    EXPECT_TRUE(dragOnto(multi.dragView(), {file, a}));
    EXPECT_EQ(multi.folderPaths(), std::vector<std::string>{a});
    EXPECT_TRUE(multi.folderItems().back().isAddBtn);
}

TEST_F(PathSelectTest, AFolderIsListedOnceByExactText) {
    MultPathsSelectViewController multi;
    multi.show();
    EXPECT_FALSE(multi.scanButton()->isEnabled());
    multi.chooser = [&](QWidget*, bool multiple) {
        EXPECT_TRUE(multiple);
        return std::vector<std::string>{a, b};
    };
    multi.addFromChooser();
    ASSERT_TRUE(dragOnto(multi.dragView(), {a}));
    EXPECT_EQ(multi.folderPaths(), (std::vector<std::string>{a, b}));
    multi.addPaths({a + "/"});
    EXPECT_EQ(multi.folderPaths(), (std::vector<std::string>{a, b, a + "/"}));
    EXPECT_TRUE(multi.scanButton()->isEnabled());
    EXPECT_EQ(multi.tiles().size(), 4);

    std::vector<FolderItem> handed;
    multi.pathSelectBlock = [&](const std::vector<FolderItem>& items) { handed = items; };
    multi.scanButton()->click();
    ASSERT_EQ(handed.size(), 4u);
    EXPECT_TRUE(handed.back().isAddBtn);
    EXPECT_TRUE(handed.back().folderPath.empty());

    multi.deleteItem(0);
    multi.deleteItem(0);
    multi.deleteItem(0);
    EXPECT_FALSE(multi.scanButton()->isEnabled());
    multi.deleteItem(0);  // the add tile stays
    EXPECT_EQ(multi.folderItems().size(), 1u);
}

TEST_F(PathSelectTest, SingleTargetListAndTheRememberedFolder) {
    DefaultsStore::remove("LastSelectPath");
    {
        SinglePathSelectViewController single("Title", "Subtitle");
        EXPECT_EQ(single.pathItems, (std::vector<std::string>{home.home(), pictures}));
        EXPECT_EQ(single.selectPath, home.home());
        single.pickEntry(1);
        EXPECT_EQ(single.selectPath, pictures);
        EXPECT_EQ(single.dropDown()->currentText(), "Photos Library");

        single.chooser = [&](QWidget*, bool multiple) {
            EXPECT_FALSE(multiple);
            return std::vector<std::string>{a};
        };
        single.chooseFolder();
        EXPECT_EQ(single.selectPath, a);
        EXPECT_EQ(single.pathItems.size(), 3u);
        EXPECT_EQ(single.dropDown()->currentText(), QString::fromStdString(a));
        EXPECT_EQ(DefaultsStore::string("LastSelectPath"), a);

        // A path already offered changes nothing.
        single.pickEntry(0);
        single.chooser = [&](QWidget*, bool) { return std::vector<std::string>{pictures}; };
        single.chooseFolder();
        EXPECT_EQ(single.selectPath, home.home());
        EXPECT_EQ(single.pathItems.size(), 3u);

        single.chooser = [&](QWidget*, bool) { return std::vector<std::string>{b}; };
        single.chooseFolder();
        EXPECT_EQ(single.pathItems, (std::vector<std::string>{home.home(), pictures, b}));
    }
    SinglePathSelectViewController again("Title", "Subtitle");
    EXPECT_EQ(again.pathItems, (std::vector<std::string>{home.home(), pictures, b}));
    std::vector<std::string> scanned;
    again.pathSelectBlock = [&](const std::vector<std::string>& paths) { scanned = paths; };
    again.pickEntry(2);
    again.scanButton()->click();
    EXPECT_EQ(scanned, std::vector<std::string>{b});
}

TEST_F(PathSelectTest, AMissingFolderCannotBeScanned) {
    SinglePathSelectViewController single("Title", "Subtitle");
    single.chooser = [&](QWidget*, bool) { return std::vector<std::string>{tree.path("data/c")}; };
    tree.dir("data/c");
    single.chooseFolder();
    EXPECT_TRUE(single.scanButton()->isEnabled());
    ::rmdir(tree.path("data/c").c_str());
    single.pickEntry(2);
    EXPECT_FALSE(single.scanButton()->isEnabled());
}

TEST_F(PathSelectTest, SeveralTargetsComeBackAsPathsInGridOrder) {
    SinglePathSelectViewController single("Title", "Subtitle");
    single.show();
    single.chooser = [&](QWidget*, bool) { return std::vector<std::string>{a}; };
    single.switchToMultiple();
    ASSERT_TRUE(single.isShowingMultiple());
    MultPathsSelectViewController* multi = single.multiView();
    EXPECT_EQ(multi->folderPaths(), (std::vector<std::string>{home.home(), a}));
    multi->addPaths({b});
    std::vector<std::string> scanned;
    single.pathSelectBlock = [&](const std::vector<std::string>& paths) { scanned = paths; };
    multi->scanButton()->click();
    EXPECT_EQ(scanned, (std::vector<std::string>{home.home(), a, b}));

    // Picking the folder already selected gives a single tile.
    single.reset();
    single.chooser = [&](QWidget*, bool) { return std::vector<std::string>{home.home()}; };
    single.switchToMultiple();
    EXPECT_EQ(multi->folderPaths(), std::vector<std::string>{home.home()});
}
