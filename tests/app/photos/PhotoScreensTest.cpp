#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeWidget>

#include "GuiTestSupport.h"
#include "app/common/ScanningViewController.h"
#include "app/common/SinglePathSelectViewController.h"
#include "app/duplicates/RemoveFinishedView.h"
#include "app/duplicates/RemovingProgressWindowController.h"
#include "app/photos/PhotoResultView.h"
#include "app/photos/SimilarPhotosResultViewController.h"
#include "app/photos/SimilarPhotosViewController.h"
#include "app/shell/LeftListViewController.h"
#include "app/shell/MainViewController.h"
#include "app/shell/MainWindow.h"
#include "app/shell/ModuleScreens.h"
#include "core/photos/ScanImagesManager.h"
#include "support/PhotoScenes.h"
#include "support/RecordedEvents.h"
#include "support/ScopedFilePermissions.h"
#include "support/TempTree.h"

using namespace orvane::app;
using namespace orvane::testing;
using orvane::photos::ScanImagesManager;
using State = SimilarPhotosResultViewController::State;

namespace {

class PhotoScreensTest : public ::testing::Test {
protected:
    void SetUp() override {
        guiApp();
        env.preferencesFile = tree.path("prefs/PreferenceInfo.plist");
        env.logDirectory = tree.dir("logs");
        env.homeDirectory = home.home();
        env.layout = orvane::platform::Layout::linuxLayout();
        manager = std::make_unique<ScanImagesManager>(env);
        overrideModuleScreen(ModuleType::similarPhotos, [this]() -> ModuleBaseViewController* {
            return new SimilarPhotosViewController(manager.get());
        });
        // Two pictures with a smaller copy each (the copy newer), one picture alone.
        for (int i = 0; i < 2; ++i) {
            cv::RNG rng(100 + i);
            const cv::Mat img = scene(rng, 480, 360);
            const std::string n = std::to_string(i);
            tree.file("scan/photo" + n + ".jpg", jpegBytes(img));
            tree.file("scan/copies/photo" + n + " small.jpg", jpegBytes(resized(img, 0.5), 80));
            tree.setMtime("scan/photo" + n + ".jpg", 1'600'000'000);
            tree.setMtime("scan/copies/photo" + n + " small.jpg", 1'700'000'000);
        }
        cv::RNG rng(7);
        tree.file("scan/alone.jpg", jpegBytes(scene(rng, 480, 360)));
    }
    void TearDown() override {
        while (QMessageBox* box = openMessageBox()) box->reject();
        overrideModuleScreen(ModuleType::similarPhotos, nullptr);
    }

    // Opens the module from the window's list and scans the fixture folder.
    SimilarPhotosViewController* openAndScan(MainWindow& window, const std::string& folder) {
        MainViewController* main = window.mainView();
        main->leftList()->clickIndex(1);
        if (!waitUntil([&] { return main->currentViewType == ModuleType::similarPhotos; }))
            return nullptr;
        auto* module = qobject_cast<SimilarPhotosViewController*>(main->currentViewCtr());
        if (!module) return nullptr;
        module->pathSelect()->chooser = [folder](QWidget*, bool) {
            return std::vector<std::string>{folder};
        };
        module->pathSelect()->chooseFolder();
        module->pathSelect()->scanButton()->click();
        const bool done = waitUntil(
            [&] {
                return !module->isShowingPathSelect() &&
                       module->resultScreen()->state() == State::results;
            },
            30000);
        return done ? module : nullptr;
    }

    // Large damaged pictures the engine has to read through before it can pass them over:
    // they keep a scan busy for a second or so.
    void slowFolder(const std::string& rel) {
        for (int i = 0; i < 16; ++i)
            tree.sparseFile(rel + "/damaged " + std::to_string(i) + ".jpg", 256u << 20);
    }
    // The scanning page shows a picture being read: the engine is well inside its scan.
    static bool readingPictures(SimilarPhotosResultViewController* screen) {
        return !screen->scanningView()->pathLabel()->toolTip().isEmpty();
    }

    static QAction* menuAction(QToolButton* button, const QString& text) {
        for (QAction* a : button->menu()->actions())
            if (a->text() == text) return a;
        return nullptr;
    }

    TempTree tree;
    ScopedHome home{tree};
    ScanImagesManager::Environment env;
    std::unique_ptr<ScanImagesManager> manager;
};

}  // namespace

TEST_F(PhotoScreensTest, ScanShowsGroupsWithThumbnailsDetailsAndAPreview) {
    MainWindow window;
    window.show();
    SimilarPhotosViewController* module = openAndScan(window, tree.path("scan"));
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(window.mainView()->leftList()->isListEnabled());
    auto* result = module->resultScreen();
    ASSERT_EQ(result->currentPage(), result->resultView());
    QTreeWidget* groups = result->resultView()->tree();
    ASSERT_EQ(groups->topLevelItemCount(), 2);
    for (int g = 0; g < 2; ++g) {
        QTreeWidgetItem* group = groups->topLevelItem(g);
        ASSERT_EQ(group->childCount(), 2);
        EXPECT_TRUE(group->text(0).contains("2 images")) << group->text(0).toStdString();
        EXPECT_EQ(group->checkState(0), Qt::Unchecked);
        // Newest first: the small copy, then the original.
        EXPECT_EQ(group->child(0)->text(1), "240 × 180");
        EXPECT_EQ(group->child(1)->text(1), "480 × 360");
        EXPECT_TRUE(group->child(1)->text(3).startsWith("2020.09.13"));
    }
    EXPECT_TRUE(result->resultView()->summaryLabel()->text().contains("4 images in 2 groups"));
    EXPECT_FALSE(result->resultView()->removeButton()->isEnabled());
    // Thumbnails arrive from the thumbnail queue; the preview of the current image too.
    EXPECT_TRUE(waitUntil(
        [&] {
            for (int g = 0; g < 2; ++g)
                for (int i = 0; i < 2; ++i)
                    if (groups->topLevelItem(g)->child(i)->icon(0).isNull()) return false;
            return true;
        },
        10000));
    const QSize thumb = groups->topLevelItem(0)->child(1)->icon(0).availableSizes().value(0);
    EXPECT_LE(thumb.width(), 60);
    EXPECT_LE(thumb.height(), 90);
    EXPECT_TRUE(
        waitUntil([&] { return !result->resultView()->preview()->pixmap().isNull(); }, 10000));
    EXPECT_TRUE(result->resultView()->previewCaption()->text().contains("240 × 180"));
}

TEST_F(PhotoScreensTest, SelectNewThenDeleteAsksAndReportsAndKeepsTheOldest) {
    MainWindow window;
    window.show();
    SimilarPhotosViewController* module = openAndScan(window, tree.path("scan"));
    ASSERT_NE(module, nullptr);
    auto* result = module->resultScreen();
    PhotoResultView* view = result->resultView();
    menuAction(view->autoSelectButton(), "Select New")->trigger();
    EXPECT_TRUE(view->summaryLabel()->text().contains("2 selected"))
        << view->summaryLabel()->text().toStdString();
    EXPECT_TRUE(view->removeButton()->isEnabled());
    EXPECT_EQ(view->tree()->topLevelItem(0)->checkState(0), Qt::PartiallyChecked);
    EXPECT_EQ(view->tree()->topLevelItem(0)->child(0)->checkState(0), Qt::Checked);

    // Unticking one image by hand, then ticking it again.
    view->tree()->topLevelItem(1)->child(0)->setCheckState(0, Qt::Unchecked);
    EXPECT_TRUE(view->summaryLabel()->text().contains("1 selected"));
    view->tree()->topLevelItem(1)->child(0)->setCheckState(0, Qt::Checked);

    menuAction(view->modeButton(), "Delete Permanently")->trigger();
    EXPECT_EQ(view->modeButton()->text(), "Delete Permanently");
    view->removeButton()->click();
    QMessageBox* box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains("permanently")) << box->text().toStdString();
    ASSERT_TRUE(answerMessageBox("Delete"));
    ASSERT_TRUE(waitUntil([&] { return result->state() == State::removeFinished; }, 20000));
    EXPECT_TRUE(result->finishedView()->detailLabel()->text().startsWith("2 files removed"))
        << result->finishedView()->detailLabel()->text().toStdString();
    // The progress sheet goes away with the run instead of turning into "Remove interrupted"
    // over the summary.
    QCoreApplication::processEvents();
    for (auto* sheet : window.findChildren<RemovingProgressWindowController*>())
        EXPECT_FALSE(sheet->isVisible()) << sheet->titleLabel()->text().toStdString();
    EXPECT_TRUE(tree.exists("scan/photo0.jpg") && tree.exists("scan/photo1.jpg"));
    EXPECT_FALSE(tree.exists("scan/copies/photo0 small.jpg") ||
                 tree.exists("scan/copies/photo1 small.jpg"));
    EXPECT_TRUE(tree.exists("scan/alone.jpg"));
    // The run as the history sees it: scan, then a direct removal of the two copies.
    const auto events = orvane::testing::recordedEvents();
    const auto moments = orvane::testing::eventMoments(events);
    ASSERT_GE(events.size(), 7u);
    EXPECT_EQ(moments[0], "Process/Similar/StartScan");
    EXPECT_EQ(events[0].labels, (std::vector<std::string>{tree.path("scan"), "1"}));
    EXPECT_EQ(moments[1], "Process/Similar/ScanPage");
    EXPECT_EQ(moments[2], "Process/Similar/ScanEnd");
    EXPECT_EQ(events[2].labels.back(), "Finish");
    const auto at = [&](const std::string& moment) {
        for (std::size_t i = 0; i < moments.size(); ++i)
            if (moments[i] == moment) return static_cast<int>(i);
        return -1;
    };
    ASSERT_GE(at("Operational/Similar/RemovalMethod"), 0);
    EXPECT_EQ(events[at("Operational/Similar/RemovalMethod")].labels,
              std::vector<std::string>{"Direct"});
    const int start = at("Process/Similar/RemoveStart");
    ASSERT_GE(start, 0);
    EXPECT_EQ(events[start].labels.size(), 3u);
    EXPECT_EQ(events[start].labels[0], "2");
    EXPECT_EQ(events[start].labels[2], "image");
    const int end = at("Process/Similar/RemoveEnd");
    ASSERT_GT(end, start);
    EXPECT_EQ(events[end].labels[0], "2");
    const int tally = at("AfterDeleter//SuccessRemove");
    ASSERT_GT(tally, start);
    EXPECT_EQ(events[tally].labels, std::vector<std::string>{"2_2_Image"});
    // No group is left with two pictures: the results are empty.
    result->finishedView()->doneButton()->click();
    EXPECT_EQ(result->currentPage(), result->emptyView());
}

TEST_F(PhotoScreensTest, TheButtonsOfTheBottomBarShareOneLineAndHeight) {
    MainWindow window;
    window.resize(1060, 700);
    window.show();
    SimilarPhotosViewController* module = openAndScan(window, tree.path("scan"));
    ASSERT_NE(module, nullptr);
    PhotoResultView* view = module->resultScreen()->resultView();
    QCoreApplication::processEvents();
    const QRect reference = view->selectAllButton()->geometry();
    for (QWidget* button : std::initializer_list<QWidget*>{
             view->autoSelectButton(), view->sortButton(), view->modeButton()}) {
        EXPECT_NEAR(button->height(), reference.height(), 2)
            << button->objectName().toStdString() << " beside Select All";
        EXPECT_NEAR(button->geometry().center().y(), reference.center().y(), 1);
        EXPECT_GE(button->width(), button->sizeHint().width()) << "its text is not cut";
    }
}

namespace {

// The text a list row shows in a column, cut as the style cuts it when it paints the row. The
// probe is the view's own kind of delegate, so putting it in changes nothing of the drawing.
class ShownText : public QStyledItemDelegate {
public:
    QString of(QTreeWidget* view, QTreeWidgetItem* item, int column) {
        const QModelIndex index = view->indexFromItem(item, column);
        QStyleOptionViewItem option;
        option.initFrom(view->viewport());
        option.rect = view->visualRect(index);
        option.decorationSize = view->iconSize();
        option.textElideMode = view->textElideMode();
        initStyleOption(&option, index);
        QStyle* style = view->style();
        const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &option, view);
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        return option.fontMetrics.elidedText(option.text, option.textElideMode,
                                             text.width() - 2 * margin);
    }
};

}  // namespace

TEST_F(PhotoScreensTest, PhotoNamesAreReadableAtTheWindowsFirstSize) {
    const std::string camera = "IMG_20240501_183015.jpg";
    const std::string longName =
        "Summer holiday in Brittany with the whole family, the beach at sunset.jpg";
    cv::RNG rng(41);
    const cv::Mat img = scene(rng, 480, 360);
    tree.file("camera/" + camera, jpegBytes(img));
    tree.file("camera/edited/" + camera, jpegBytes(resized(img, 0.6), 85));
    tree.file("camera/" + longName, jpegBytes(resized(img, 0.8), 90));
    MainWindow window;  // at the size it first opens with
    window.show();
    SimilarPhotosViewController* module = openAndScan(window, tree.path("camera"));
    ASSERT_NE(module, nullptr);
    QTreeWidget* list = module->resultScreen()->resultView()->tree();
    QCoreApplication::processEvents();
    ASSERT_EQ(list->topLevelItemCount(), 1);
    QTreeWidgetItem* group = list->topLevelItem(0);
    ASSERT_EQ(group->childCount(), 3);

    auto* probe = new ShownText;
    list->setItemDelegate(probe);
    int cameraRows = 0;
    for (int i = 0; i < group->childCount(); ++i) {
        QTreeWidgetItem* row = group->child(i);
        const QString name = row->text(0), shown = probe->of(list, row, 0);
        EXPECT_TRUE(row->toolTip(0).startsWith(QString::fromStdString(tree.path("camera/"))))
            << "the tooltip names the whole path: " << row->toolTip(0).toStdString();
        EXPECT_TRUE(row->toolTip(0).endsWith(name)) << row->toolTip(0).toStdString();
        if (name == QString::fromStdString(camera)) {
            ++cameraRows;
            EXPECT_EQ(shown, name) << "a camera's name is shown whole";
        } else {
            ASSERT_EQ(name, QString::fromStdString(longName));
            EXPECT_NE(shown, name) << "this one is too long for any list column";
            EXPECT_TRUE(shown.startsWith("Summer")) << shown.toStdString();
            EXPECT_TRUE(shown.endsWith("sunset.jpg")) << shown.toStdString();
        }
    }
    EXPECT_EQ(cameraRows, 2);
}

TEST_F(PhotoScreensTest, MovingToAChosenFolderNamesItInTheMenuAndMovesTheSelection) {
    MainWindow window;
    window.show();
    SimilarPhotosViewController* module = openAndScan(window, tree.path("scan"));
    ASSERT_NE(module, nullptr);
    auto* result = module->resultScreen();
    PhotoResultView* view = result->resultView();
    const std::string dest = tree.dir("set aside");
    view->chooseFolder = [dest] { return dest; };
    menuAction(view->modeButton(), "Remove to Folder...")->trigger();
    EXPECT_EQ(view->modeButton()->text(), "Remove to set aside");
    menuAction(view->autoSelectButton(), "Select Old")->trigger();  // the newest stays
    view->removeButton()->click();
    ASSERT_TRUE(answerMessageBox("Move"));
    ASSERT_TRUE(waitUntil([&] { return result->state() == State::removeFinished; }, 20000));
    EXPECT_TRUE(tree.exists("set aside/photo0.jpg") && tree.exists("set aside/photo1.jpg"));
    EXPECT_TRUE(tree.exists("scan/copies/photo0 small.jpg"));
}

TEST_F(PhotoScreensTest, CancellingTheQuestionRemovesNothingAndLeavingAsks) {
    MainWindow window;
    window.show();
    SimilarPhotosViewController* module = openAndScan(window, tree.path("scan"));
    ASSERT_NE(module, nullptr);
    PhotoResultView* view = module->resultScreen()->resultView();
    view->toggleSelectAll();
    EXPECT_EQ(view->selectAllButton()->text(), "Deselect All");
    view->removeButton()->click();
    ASSERT_TRUE(answerMessageBox("Cancel"));
    EXPECT_TRUE(tree.exists("scan/photo0.jpg") && tree.exists("scan/copies/photo0 small.jpg"));
    EXPECT_EQ(module->resultScreen()->state(), State::results);

    view->backButton()->click();
    ASSERT_TRUE(answerMessageBox("Cancel"));
    EXPECT_FALSE(module->isShowingPathSelect());
    view->backButton()->click();
    ASSERT_TRUE(answerMessageBox("Confirm"));
    EXPECT_TRUE(module->isShowingPathSelect());
    EXPECT_TRUE(manager->dupImages().empty());
}

TEST_F(PhotoScreensTest, SortMenuOrdersGroupsAndScanningScreenShowsThePhotoTexts) {
    // A third group of three pictures makes the orders differ.
    cv::RNG rng(55);
    const cv::Mat big = scene(rng, 480, 360);
    tree.file("scan/trio/a.jpg", jpegBytes(big, 60));
    tree.file("scan/trio/b.png", "");
    tree.file("scan/trio/c.jpg", jpegBytes(resized(big, 0.3), 60));
    tree.file("scan/trio/d.jpg", jpegBytes(resized(big, 0.4), 60));
    MainWindow window;
    window.show();
    SimilarPhotosViewController* module = openAndScan(window, tree.path("scan"));
    ASSERT_NE(module, nullptr);
    PhotoResultView* view = module->resultScreen()->resultView();
    ASSERT_EQ(view->tree()->topLevelItemCount(), 3);
    menuAction(view->sortButton(), "Sort by Quantity")->trigger();
    EXPECT_EQ(view->tree()->topLevelItem(0)->childCount(), 3);
    menuAction(view->sortButton(), "Sort by Size")->trigger();
    std::int64_t last = INT64_MAX;
    for (const auto& g : view->groups()) {
        EXPECT_LE(g->groupSize, last);
        last = g->groupSize;
    }
    EXPECT_EQ(ScanningViewController::titleFor(ModuleType::similarPhotos),
              "Searching for Similar Photos");
    EXPECT_EQ(module->resultScreen()->scanningView()->counterLabel(1)->text().isEmpty(), false);
}

TEST_F(PhotoScreensTest, StoppingAtOnceAndAnEmptyFolderEndOnAPageWithTheListBack) {
    const std::string empty = tree.dir("nothing here");
    SimilarPhotosViewController screen(manager.get());
    screen.show();
    screen.scanPaths({empty});
    EXPECT_TRUE(waitUntil(
        [&] { return screen.resultScreen()->currentPage() == screen.resultScreen()->emptyView(); },
        20000));
    EXPECT_EQ(screen.resultScreen()->state(), State::results);

    screen.resultScreen()->startScan({tree.path("scan")});
    screen.resultScreen()->scanningView()->stopConfirmed();
    ASSERT_TRUE(waitUntil([&] { return screen.resultScreen()->state() == State::results; }, 20000));
    EXPECT_FALSE(manager->isScanning());
}

TEST_F(PhotoScreensTest, AMissingFolderEndsTheScanOnAPageThatSaysWhy) {
    SimilarPhotosViewController screen(manager.get());
    screen.show();
    auto* result = screen.resultScreen();
    screen.scanPaths({tree.path("gone")});
    ASSERT_TRUE(waitUntil([&] { return result->currentPage() == result->failedView(); }, 20000));
    EXPECT_EQ(result->state(), State::results);
    EXPECT_EQ(openMessageBox(), nullptr);
    const auto detail = [&] {
        return result->failedView()->findChild<QLabel*>("pageDetail")->text().toStdString();
    };
    // What happened and what to do, in the user's words; the engine's own text is for the log.
    EXPECT_EQ(detail(), "The folder “" + tree.path("gone") +
                            "” no longer exists. If it was moved or renamed, choose it again "
                            "where it is now.");
    EXPECT_EQ(result->failedView()->findChild<QLabel*>("pageTitle")->text(),
              "The scan could not be completed.");
    // Back leads to choosing the folders again.
    result->failedView()->findChild<QPushButton*>()->click();
    EXPECT_TRUE(waitUntil([&] { return screen.isShowingPathSelect(); }));

    // A chosen folder that became a file is named as such.
    tree.file("was a folder", "now a note");
    result->startScan({tree.path("was a folder")});
    ASSERT_TRUE(waitUntil([&] { return result->state() == State::results; }, 20000));
    EXPECT_EQ(result->currentPage(), result->failedView());
    EXPECT_EQ(detail(), "“" + tree.path("was a folder") +
                            "” is not a folder, so it cannot be scanned. Choose the folder that "
                            "holds it instead.");
}

TEST_F(PhotoScreensTest, EveryVerdictOfTheEngineReachesItsPage) {
    SimilarPhotosViewController screen(manager.get());
    screen.show();
    auto* result = screen.resultScreen();

    // The engine refuses while another scan holds it (the command line's, say).
    slowFolder("slow");
    struct Reading : orvane::photos::ScanImagesManagerProtocol {
        std::atomic<bool> reading{false};
        void progressDidChanged(ScanImagesManager&, double, long long,
                                const std::string& path) override {
            if (!path.empty()) reading = true;
        }
    };
    auto reading = std::make_shared<Reading>();
    ScanImagesManager other(env);
    other.setDelegate(reading);
    other.setScanRoots({tree.path("slow")});
    other.startScanning();
    ASSERT_TRUE(waitUntil([&] { return reading->reading.load(); }, 20000));
    screen.scanPaths({tree.path("scan")});
    ASSERT_TRUE(waitUntil([&] { return result->currentPage() == result->failedView(); }, 20000));
    other.stopAndWait();
    EXPECT_EQ(result->state(), State::results);
    const QString why = result->failedView()->findChild<QLabel*>("pageDetail")->text();
    EXPECT_EQ(why.toStdString(),
              "Another photo scan is still running, so this one could not start. Wait until it "
              "has finished, then scan again.");

    // A folder the user may not open: not "nothing found", but why nothing was found.
    tree.dir("locked/inside");
    tree.chmod("locked", 0);
    {
        ScopedFilePermissions permissions;
        result->startScan({tree.path("locked")});
        ASSERT_TRUE(waitUntil([&] { return result->state() == State::results; }, 20000));
        EXPECT_EQ(result->currentPage(), result->noAccessView());
        const QString why = result->noAccessView()->findChild<QLabel*>("pageDetail")->text();
        EXPECT_TRUE(why.contains(QString::fromStdString(tree.path("locked")))) << why.toStdString();

        // Beside a folder with pictures, the groups show and a message names the folder.
        result->startScan({tree.path("locked"), tree.path("scan")});
        QMessageBox* box = waitForMessageBox(30000);
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->text().contains("locked")) << box->text().toStdString();
        ASSERT_TRUE(answerMessageBox("OK"));
        EXPECT_EQ(result->currentPage(), result->resultView());
        EXPECT_EQ(result->resultView()->groups().size(), 2u);
    }
    tree.chmod("locked", 0755);
}

TEST_F(PhotoScreensTest, AStopMidScanEndsOnTheStoppedStateWithWhatWasFound) {
    SimilarPhotosViewController screen(manager.get());
    screen.show();
    auto* result = screen.resultScreen();
    // The first scan keeps the pictures' signatures, so the next one has them before it reads
    // anything new.
    screen.scanPaths({tree.path("scan")});
    ASSERT_TRUE(waitUntil([&] { return result->currentPage() == result->resultView(); }, 30000));
    slowFolder("scan/zz");

    const auto before = recordedEvents().size();
    result->startScan({tree.path("scan")});
    ASSERT_TRUE(waitUntil([&] { return readingPictures(result); }, 20000));
    result->scanningView()->stopConfirmed();
    ASSERT_TRUE(waitUntil([&] { return result->state() == State::results; }, 20000));
    EXPECT_TRUE(manager->isStop()) << "the scan ran to its end before the stop";
    EXPECT_TRUE(result->scanningView()->isStopped());
    EXPECT_FALSE(manager->isScanning());
    EXPECT_EQ(result->currentPage(), result->resultView());
    EXPECT_EQ(result->resultView()->groups().size(), 2u);
    EXPECT_EQ(openMessageBox(), nullptr) << "a stop is no failure";
    const auto events = recordedEvents();
    ASSERT_GT(events.size(), before);
    EXPECT_EQ(events.back().action, "ScanEnd");
    EXPECT_EQ(events.back().labels.back(), "Cancel");
}

TEST_F(PhotoScreensTest, TheScreenGoingAwayMidScanStopsAndWaitsForIt) {
    slowFolder("slow");
    {
        auto screen = std::make_unique<SimilarPhotosViewController>(manager.get());
        screen->show();
        screen->scanPaths({tree.path("slow"), tree.path("scan")});
        ASSERT_TRUE(waitUntil([&] { return readingPictures(screen->resultScreen()); }, 20000));
        screen.reset();
        EXPECT_FALSE(manager->isScanning());
        // Reports made before the end are still queued for the screen that has gone.
        QCoreApplication::processEvents();
    }

    // The program quitting mid-scan, with the module on screen, does the same.
    MainWindow window;
    window.show();
    MainViewController* main = window.mainView();
    main->leftList()->clickIndex(1);
    ASSERT_TRUE(waitUntil([&] { return main->currentViewType == ModuleType::similarPhotos; }));
    auto* module = qobject_cast<SimilarPhotosViewController*>(main->currentViewCtr());
    ASSERT_NE(module, nullptr);
    module->scanPaths({tree.path("slow")});
    ASSERT_TRUE(waitUntil([&] { return readingPictures(module->resultScreen()); }, 20000));
    window.prepareToTerminate();
    EXPECT_FALSE(manager->isScanning());
    QCoreApplication::processEvents();

    // The driver is left ready for the next screen.
    SimilarPhotosViewController again(manager.get());
    again.show();
    again.scanPaths({tree.path("scan")});
    ASSERT_TRUE(waitUntil(
        [&] { return again.resultScreen()->currentPage() == again.resultScreen()->resultView(); },
        30000));
    EXPECT_EQ(again.resultScreen()->resultView()->groups().size(), 2u);
}
