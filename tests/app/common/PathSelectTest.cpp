#include <gtest/gtest.h>

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
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

    // Choosing a folder that is already there shows where it is.
    EXPECT_EQ(multi.highlightedPath(), a) << "the drop of a listed folder marked its tile";
    multi.addPaths({b});
    EXPECT_EQ(multi.folderPaths(), (std::vector<std::string>{a, b, a + "/"}));
    EXPECT_EQ(multi.highlightedPath(), b);
    EXPECT_TRUE(multi.tiles()[1]->property("highlighted").toBool());
    EXPECT_FALSE(multi.tiles()[0]->property("highlighted").toBool());
    EXPECT_TRUE(
        waitUntil([&] { return !multi.tiles()[1]->property("highlighted").toBool(); }, 4000))
        << "the mark fades by itself";
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

        // A path already offered is not added again; it becomes the choice instead of nothing
        // visible happening, and the remembered folder stays.
        single.pickEntry(0);
        single.chooser = [&](QWidget*, bool) { return std::vector<std::string>{pictures}; };
        single.chooseFolder();
        EXPECT_EQ(single.selectPath, pictures);
        EXPECT_EQ(single.dropDown()->currentText(), "Photos Library");
        EXPECT_EQ(single.pathItems.size(), 3u);
        EXPECT_EQ(DefaultsStore::string("LastSelectPath"), a);

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

TEST_F(PathSelectTest, TheGridFillsItsWidthFromTheFirstLayout) {
    SinglePathSelectViewController single("Title", "Subtitle");
    single.resize(900, 560);
    single.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&single));
    single.chooser = [&](QWidget*, bool) { return std::vector<std::string>{a}; };
    single.switchToMultiple();
    MultPathsSelectViewController* multi = single.multiView();
    QApplication::processEvents();
    // Two folders and the add tile side by side: one row, no scroll bar, nothing cut off.
    EXPECT_GE(multi->columnCount(), 3);
    const QList<QWidget*> tiles = multi->tiles();
    ASSERT_EQ(tiles.size(), 3);
    EXPECT_EQ(tiles[0]->y(), tiles[2]->y()) << "the add tile is on the first row";
    auto* area = multi->findChild<QScrollArea*>();
    ASSERT_NE(area, nullptr);
    EXPECT_FALSE(area->verticalScrollBar()->isVisible());
    const QRect addTile(tiles[2]->mapTo(area->viewport(), QPoint(0, 0)), tiles[2]->size());
    EXPECT_TRUE(area->viewport()->rect().contains(addTile)) << "the add tile is whole";

    // A wider window takes more columns at once, and the tiles follow.
    std::vector<std::string> more;
    for (const char* name : {"m1", "m2", "m3", "m4", "m5"})
        more.push_back(tree.dir(std::string("more/") + name));
    multi->addPaths(more);
    const int before = multi->columnCount();
    QApplication::processEvents();
    EXPECT_GT(multi->tiles()[6]->y(), multi->tiles()[0]->y())
        << "eight tiles do not fit one row at 900";
    single.resize(1400, 560);
    QApplication::processEvents();
    EXPECT_GT(multi->columnCount(), before);
    const QList<QWidget*> wide = multi->tiles();
    ASSERT_EQ(wide.size(), 8);
    EXPECT_EQ(wide[std::min<int>(multi->columnCount(), 8) - 1]->y(), wide[0]->y());
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
