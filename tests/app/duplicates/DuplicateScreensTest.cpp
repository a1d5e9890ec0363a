#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <ctime>
#include <filesystem>

#include "app/common/ScanningViewController.h"
#include "app/common/SinglePathSelectViewController.h"
#include "app/duplicates/DuplicatFilesViewController.h"
#include "app/duplicates/DuplicateResultModel.h"
#include "app/duplicates/DuplicateResultView.h"
#include "app/duplicates/RemoveFinishedView.h"
#include "app/duplicates/RemovingProgressWindowController.h"
#include "app/duplicates/ScanFileResultViewController.h"
#include "app/shell/LeftListViewController.h"
#include "app/shell/MainViewController.h"
#include "app/shell/MainWindow.h"
#include "app/shell/ModuleScreens.h"
#include "core/duplicates/ScanManager.h"
#include "core/settings/UserDefaults.h"
#include "platform/Layout.h"
#include "support/GuiTestSupport.h"
#include "support/ModuleWindow.h"
#include "support/TempTree.h"

using namespace orvane::app;
using namespace orvane::testing;
namespace dupl = ::orvane::duplicates;

namespace {

class DuplicateScreensTest : public ::testing::Test {
protected:
    void SetUp() override {
        guiApp();
        dupl::ScanManager::Environment env;
        env.layout = orvane::platform::Layout::linuxLayout();
        env.walkerThreads = 2;
        manager = dupl::ScanManager::create(env);
        overrideModuleScreen(ModuleType::duplicateFiles, [this]() -> ModuleBaseViewController* {
            return new DuplicatFilesViewController(manager);
        });
        // Three copies of one document, two of a picture, one file alone.
        tree.file("scan/docs/a-report.txt", std::string(5000, 'r'));
        tree.file("scan/docs/old/b-report.txt", std::string(5000, 'r'));
        tree.file("scan/c-report.txt", std::string(5000, 'r'));
        tree.file("scan/pics/photo.jpg", std::string(3000, 'p'));
        tree.file("scan/pics/photo copy.jpg", std::string(3000, 'p'));
        tree.file("scan/alone.txt", std::string(4000, 'x'));
    }
    void TearDown() override {
        orvane::testing::rejectOpenMessageBoxes();
        overrideModuleScreen(ModuleType::duplicateFiles, nullptr);
    }

    // Opens the module from the list and scans the fixture folder picked in the chooser.
    DuplicatFilesViewController* openAndScan(MainWindow& window) {
        auto* module =
            openModule<DuplicatFilesViewController>(window, 2, ModuleType::duplicateFiles);
        if (!module) return nullptr;
        chooseAndScan(*module, tree.path("scan"));
        const bool done = waitUntil(
            [&] {
                return module->resultScreen()->displayType() ==
                           DisplayViewType::displayViewTypeScanFinished &&
                       !module->isShowingPathSelect();
            },
            20000);
        return done ? module : nullptr;
    }

    TempTree tree;
    ScopedHome home{tree};
    std::shared_ptr<dupl::ScanManager> manager;
};

std::shared_ptr<dupl::FileInfo> fakeFile(const std::string& path, std::uint64_t size) {
    return std::make_shared<dupl::FileInfo>(dupl::ResourceValueURL{path, {}}, size);
}

}  // namespace

TEST_F(DuplicateScreensTest, PickScanAutoSelectAndDiscardToTheTrash) {
    MainWindow window;
    window.show();
    DuplicatFilesViewController* module = openAndScan(window);
    ASSERT_NE(module, nullptr);
    ScanFileResultViewController* result = module->resultScreen();
    EXPECT_TRUE(window.mainView()->leftList()->isListEnabled());
    ASSERT_EQ(result->currentPage(), result->resultView());
    DuplicateResultView* view = result->resultView();
    ASSERT_EQ(view->model()->groups().size(), 2u);
    // Largest group first, and every group starts unchecked.
    EXPECT_EQ(view->model()->groups()[0]->count(), 3u);
    EXPECT_EQ(view->totalsLabel()->text(), "No files selected");
    EXPECT_FALSE(view->removeButton()->isEnabled());

    menuAction(view->selectButton(), "Auto select")->trigger();
    EXPECT_EQ(view->totals().count, 3u);
    EXPECT_EQ(view->totals().size, 2u * 5000 + 3000);
    EXPECT_EQ(view->model()->data(view->model()->index(0, 0), Qt::CheckStateRole).toInt(),
              Qt::PartiallyChecked);
    EXPECT_TRUE(view->removeButton()->isEnabled());

    QStringList modes;
    view->rebuildRemoveMenu();
    for (QAction* a : view->removeMenu()->actions()) modes << a->text();
    EXPECT_EQ(modes, (QStringList{"Discard to the Trash", "Permanently Deleted",
                                  "Remove to the Folder..."}));

    view->removeMenu()->actions()[0]->trigger();
    QMessageBox* box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Are you sure to discard the selected files to the Trash?");
    ASSERT_TRUE(answerMessageBox("Move to Trash"));
    ASSERT_TRUE(waitUntil(
        [&] { return result->displayType() == DisplayViewType::displayViewTypeRemoveFinished; },
        20000));
    EXPECT_EQ(result->progressSheet(), nullptr);
    EXPECT_EQ(result->finishedView()->titleLabel()->text(), "Removed Successfully");
    EXPECT_EQ(result->finishedView()->detailLabel()->text(), "3 files moved to the Trash (13 KB)")
        << "the Trash still holds the space; nothing was freed yet";
    EXPECT_TRUE(result->finishedView()->failureList()->isHidden());

    // The first copy of each group (smallest path) stays; the others are in a restorable Trash.
    EXPECT_TRUE(tree.exists("scan/c-report.txt"));
    EXPECT_FALSE(tree.exists("scan/docs/a-report.txt"));
    EXPECT_FALSE(tree.exists("scan/docs/old/b-report.txt"));
    EXPECT_TRUE(tree.exists("scan/pics/photo copy.jpg"));
    EXPECT_FALSE(tree.exists("scan/pics/photo.jpg"));
    EXPECT_TRUE(tree.exists("scan/alone.txt"));
    EXPECT_TRUE(tree.exists("home/.local/share/Trash/files/a-report.txt"));
    EXPECT_TRUE(tree.exists("home/.local/share/Trash/info/a-report.txt.trashinfo"));
    EXPECT_TRUE(tree.exists("home/.local/share/Trash/files/photo.jpg"));

    // Back to the results: nothing left that is still a duplicate.
    result->finishedView()->doneButton()->click();
    EXPECT_EQ(result->currentPage(), result->emptyView());
}

TEST_F(DuplicateScreensTest, TheScanningScreenEndsWithTheDriversFigures) {
    MainWindow window;
    window.show();
    DuplicatFilesViewController* module = openAndScan(window);
    ASSERT_NE(module, nullptr);
    ScanningViewController* scanning = module->resultScreen()->scanningView();
    EXPECT_EQ(scanning->leftPanel()->foundLabel()->text(), "5 Items");
    EXPECT_EQ(scanning->counterLabel(0)->text(), "15 KB");  // three text copies
    EXPECT_EQ(scanning->counterLabel(1)->text(), "6 KB");   // two pictures
    EXPECT_FALSE(scanning->leftPanel()->myTimer.isActive());
    EXPECT_FALSE(scanning->stopButton()->isEnabled());
}

TEST_F(DuplicateScreensTest, AStoppedScanStillEndsOnTheResultScreenWithTheListBack) {
    for (int i = 0; i < 300; ++i)
        tree.file("scan/many/f" + std::to_string(i) + ".txt", std::string(7000, 'm'));
    MainWindow window;
    window.show();
    MainViewController* main = window.mainView();
    auto* module = openModule<DuplicatFilesViewController>(window, 2, ModuleType::duplicateFiles);
    ASSERT_NE(module, nullptr);
    module->scanPaths({tree.path("scan")});
    ScanFileResultViewController* result = module->resultScreen();
    ASSERT_TRUE(waitUntil([&] { return !module->isShowingPathSelect(); }));
    result->scanningView()->markStopped();
    result->scanningView()->stopConfirmed();
    ASSERT_TRUE(waitUntil(
        [&] { return result->displayType() == DisplayViewType::displayViewTypeScanFinished; },
        20000));
    EXPECT_TRUE(main->leftList()->isListEnabled());
    EXPECT_TRUE(result->currentPage() == result->resultView() ||
                result->currentPage() == result->emptyView());
    EXPECT_TRUE(manager->scanStop.load());
}

TEST_F(DuplicateScreensTest, LeavingWithResultsAsksAndCancelKeepsThem) {
    MainWindow window;
    window.show();
    DuplicatFilesViewController* module = openAndScan(window);
    ASSERT_NE(module, nullptr);
    MainViewController* main = window.mainView();

    main->leftList()->clickIndex(3);
    QMessageBox* box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "The scanning results won't be saved if you go Back.");
    ASSERT_TRUE(answerMessageBox("Cancel"));
    EXPECT_EQ(main->currentViewType, ModuleType::duplicateFiles);
    EXPECT_FALSE(main->isBack);
    EXPECT_EQ(module->resultScreen()->resultView()->model()->groups().size(), 2u);

    main->leftList()->clickIndex(3);
    ASSERT_TRUE(answerMessageBox("Confirm"));
    ASSERT_TRUE(waitUntil([&] { return main->currentViewType == ModuleType::largeFiles; }));
    EXPECT_TRUE(manager->totalFiles.empty());

    // Coming back finds the target screen, and leaving it needs no question.
    main->leftList()->clickIndex(2);
    ASSERT_TRUE(waitUntil([&] { return main->currentViewType == ModuleType::duplicateFiles; }));
    EXPECT_TRUE(module->isShowingPathSelect());
    main->leftList()->clickIndex(0);
    EXPECT_TRUE(waitUntil([&] { return main->currentViewType == ModuleType::cleanJunk; }));
    EXPECT_EQ(openMessageBox(), nullptr);
}

TEST_F(DuplicateScreensTest, AFileGoneBeforeRemovalIsListedAsFailed) {
    MainWindow window;
    window.show();
    DuplicatFilesViewController* module = openAndScan(window);
    ASSERT_NE(module, nullptr);
    ScanFileResultViewController* result = module->resultScreen();
    DuplicateResultView* view = result->resultView();
    view->autoSelect();
    std::filesystem::remove(tree.path("scan/docs/old/b-report.txt"));
    view->requestRemove(dupl::RemoveType::forever());
    EXPECT_EQ(waitForMessageBox()->text(),
              "Are you sure to permanently delete the selected files?");
    ASSERT_TRUE(answerMessageBox("Delete"));
    ASSERT_TRUE(waitUntil(
        [&] { return result->displayType() == DisplayViewType::displayViewTypeRemoveFinished; },
        20000));
    EXPECT_EQ(result->finishedView()->titleLabel()->text(), "Some files could not be removed");
    QTreeWidget* failures = result->finishedView()->failureList();
    ASSERT_FALSE(failures->isHidden());
    ASSERT_EQ(failures->topLevelItemCount(), 1);
    EXPECT_TRUE(failures->topLevelItem(0)->text(0).endsWith("b-report.txt"));
    EXPECT_FALSE(failures->topLevelItem(0)->text(1).isEmpty());
    EXPECT_TRUE(
        result->finishedView()->detailLabel()->text().startsWith("2 files deleted for good, "));
    EXPECT_TRUE(result->finishedView()->detailLabel()->text().endsWith(" freed"));
    EXPECT_FALSE(tree.exists("scan/docs/a-report.txt"));
    EXPECT_TRUE(tree.exists("scan/c-report.txt"));
}

TEST_F(DuplicateScreensTest, ANamedFolderIsOfferedAfterItsFirstUseAndAMissingOneIsRefused) {
    MainWindow window;
    window.show();
    DuplicatFilesViewController* module = openAndScan(window);
    ASSERT_NE(module, nullptr);
    ScanFileResultViewController* result = module->resultScreen();
    DuplicateResultView* view = result->resultView();
    view->autoSelect();
    const std::string kept = tree.dir("kept");
    view->chooser = [kept](QWidget*, bool) { return std::vector<std::string>{kept}; };
    ::rmdir(kept.c_str());
    view->requestRemoveToChosenFolder();
    EXPECT_EQ(waitForMessageBox()->text(),
              QString::fromStdString("Are you sure to move the selected files to " + kept + "?"));
    ASSERT_TRUE(answerMessageBox("Move"));
    QMessageBox* refused = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] {
            refused = openMessageBox();
            return refused && refused->text().startsWith("The folder does not exist");
        },
        10000));
    ASSERT_TRUE(answerMessageBox("OK"));
    // Nothing moved, the results are back as they were, and the folder is offered by name.
    EXPECT_EQ(result->displayType(), DisplayViewType::displayViewTypeScanFinished);
    EXPECT_EQ(view->totals().count, 3u);
    EXPECT_TRUE(tree.exists("scan/docs/a-report.txt"));
    view->rebuildRemoveMenu();
    EXPECT_EQ(view->removeMenu()->actions().size(), 4);
    EXPECT_EQ(view->removeMenu()->actions().back()->text(), "Remove to kept");
}

TEST_F(DuplicateScreensTest, CheckingEveryCopyAsksOnceAndCancelUndoes) {
    std::vector<dupl::DuplicateFilesPtr> groups;
    auto group = std::make_shared<dupl::DuplicateFiles>();
    group->append(fakeFile("/d/a.txt", 10));
    group->append(fakeFile("/d/b.txt", 10));
    groups.push_back(group);
    DuplicateResultView view;
    view.show();
    std::array<DuplicateResultView::Category, DuplicateResultView::categoryCount> categories;
    categories[DuplicateResultView::all] = {groups, 20};
    view.setCategories(categories);
    DuplicateResultModel* model = view.model();

    ASSERT_TRUE(model->setData(model->index(1, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(openMessageBox(), nullptr);
    ASSERT_TRUE(model->setData(model->index(2, 0), Qt::Checked, Qt::CheckStateRole));
    QMessageBox* box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Are you sure you want to select all files in this group?");
    ASSERT_TRUE(answerMessageBox("Cancel"));
    EXPECT_TRUE(group->infos()[0]->selected);
    EXPECT_FALSE(group->infos()[1]->selected);
    EXPECT_EQ(model->data(model->index(0, 0), Qt::CheckStateRole).toInt(), Qt::PartiallyChecked);
    EXPECT_EQ(view.totals().count, 1u);

    // The answer is remembered: the next time the check simply applies.
    ASSERT_TRUE(model->setData(model->index(0, 0), Qt::Checked, Qt::CheckStateRole));
    QTest::qWait(50);
    EXPECT_EQ(openMessageBox(), nullptr);
    EXPECT_EQ(model->data(model->index(0, 0), Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(view.totals().count, 2u);
    // A click on a checked group clears it.
    ASSERT_TRUE(model->setData(model->index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(view.totals().count, 0u);
}

TEST_F(DuplicateScreensTest, SortingKeepsTheSelectionAndCategoriesShowTheirGroups) {
    auto big = std::make_shared<dupl::DuplicateFiles>();
    big->append(fakeFile("/v/z.mp4", 500));
    big->append(fakeFile("/v/z2.mp4", 500));
    auto many = std::make_shared<dupl::DuplicateFiles>();
    for (const char* p : {"/d/a10.txt", "/d/a2.txt", "/d/a3.txt"}) many->append(fakeFile(p, 5));
    DuplicateResultView view;
    std::array<DuplicateResultView::Category, DuplicateResultView::categoryCount> categories;
    categories[DuplicateResultView::all] = {{many, big}, 1015};
    categories[DuplicateResultView::video] = {{big}, 1000};
    categories[DuplicateResultView::document] = {{many}, 15};
    view.setCategories(categories);
    EXPECT_EQ(view.model()->groups()[0], big);
    view.autoSelect();
    menuAction(view.sortButton(), "Sort by Quantity")->trigger();
    EXPECT_EQ(view.model()->groups()[0], many);
    EXPECT_EQ(view.totals().count, 3u);
    EXPECT_FALSE(many->infos()[0]->selected);
    EXPECT_TRUE(view.sortButton()->text().startsWith("Sort by Quantity"));

    view.categoryList()->setCurrentRow(DuplicateResultView::video);
    ASSERT_EQ(view.model()->groups().size(), 1u);
    EXPECT_EQ(view.totals().count, 1u);
    view.categoryList()->setCurrentRow(DuplicateResultView::audio);
    EXPECT_TRUE(view.model()->groups().empty());
    EXPECT_TRUE(view.categoryList()->item(DuplicateResultView::all)->text().contains("3 selected"));

    view.categoryList()->setCurrentRow(DuplicateResultView::video);
    menuAction(view.selectButton(), "Deselect All")->trigger();
    EXPECT_EQ(view.totals().count, 0u);
    view.categoryList()->setCurrentRow(DuplicateResultView::all);
    EXPECT_EQ(view.totals().count, 2u);  // only the groups on show were cleared
}

TEST_F(DuplicateScreensTest, TheProgressSheetStopsOnceAndSaysSo) {
    RemovingProgressWindowController sheet;
    int stops = 0;
    sheet.stopBlock = [&] { ++stops; };
    sheet.show();
    sheet.cleanProgress(0.5, 12);
    EXPECT_EQ(sheet.progressBar()->value(), 500);
    sheet.stopButton()->click();
    EXPECT_EQ(sheet.titleLabel()->text(), "Remove interrupted");
    EXPECT_FALSE(sheet.stopButton()->isEnabled());
    sheet.stopButton()->click();
    EXPECT_EQ(stops, 1);
}

TEST_F(DuplicateScreensTest, AHundredThousandGroupsLoadAndScrollQuickly) {
    std::vector<dupl::DuplicateFilesPtr> groups;
    groups.reserve(100000);
    for (int i = 0; i < 100000; ++i) {
        auto g = std::make_shared<dupl::DuplicateFiles>();
        const std::string base =
            "/data/folder" + std::to_string(i % 977) + "/file" + std::to_string(i);
        g->append(fakeFile(base + ".bin", 1000 + i));
        g->append(fakeFile(base + " copy.bin", 1000 + i));
        groups.push_back(std::move(g));
    }
    DuplicateResultView view;
    view.resize(1000, 700);
    view.show();
    std::array<DuplicateResultView::Category, DuplicateResultView::categoryCount> categories;
    categories[DuplicateResultView::all] = {groups, 0};
    // The main thread's own processor time: what the list costs, whatever else the machine runs.
    auto cpuMs = [] {
        timespec t{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<qint64>(t.tv_sec) * 1000 + t.tv_nsec / 1'000'000;
    };
    qint64 start = cpuMs();
    view.setCategories(categories);
    QApplication::processEvents();
    const qint64 loadMs = cpuMs() - start;
    EXPECT_EQ(view.model()->rowCount(), 300000);

    QScrollBar* bar = view.table()->verticalScrollBar();
    start = cpuMs();
    for (int step = 1; step <= 20; ++step) {
        bar->setValue(bar->maximum() * step / 20);
        view.table()->viewport()->repaint();
    }
    const qint64 scrollMs = cpuMs() - start;
    std::printf("100000 groups: load %lld ms, 20 scroll repaints %lld ms\n",
                static_cast<long long>(loadMs), static_cast<long long>(scrollMs));
    EXPECT_LT(loadMs, 3000);
    EXPECT_LT(scrollMs, 1000);
    auto [group, member] = view.model()->locate(299999);
    EXPECT_EQ(group, 99999);
    EXPECT_EQ(member, 1);
}

TEST_F(DuplicateScreensTest, OddNamesAreShownReadablyAndKeptByteForByte) {
    const std::string odd = "/d/bad\nname\xff.txt";
    auto group = std::make_shared<dupl::DuplicateFiles>();
    group->append(fakeFile(odd, 7));
    group->append(fakeFile("/d/plain.txt", 7));
    DuplicateResultModel model;
    model.setGroups({group});
    EXPECT_EQ(
        model.data(model.index(1, DuplicateResultModel::nameColumn), Qt::DisplayRole).toString(),
        QString::fromUtf8("bad\u2424name\uFFFD.txt"));
    EXPECT_EQ(
        model.data(model.index(1, 0), DuplicateResultModel::pathRole).toByteArray().toStdString(),
        odd);
    EXPECT_EQ(model.fileAt(1)->path(), odd);
    EXPECT_EQ(model.fileAt(0), nullptr);  // the group's own row
}

TEST_F(DuplicateScreensTest, RemoveToTheLastFolderMovesTheCopiesThere) {
    MainWindow window;
    window.show();
    DuplicatFilesViewController* module = openAndScan(window);
    ASSERT_NE(module, nullptr);
    ScanFileResultViewController* result = module->resultScreen();
    DuplicateResultView* view = result->resultView();
    view->autoSelect();
    const std::string kept = tree.dir("kept");
    view->lastFolder = kept;
    view->rebuildRemoveMenu();
    QAction* toKept = view->removeMenu()->actions().back();
    EXPECT_EQ(toKept->text(), "Remove to kept");
    toKept->trigger();
    ASSERT_TRUE(answerMessageBox("Move"));
    ASSERT_TRUE(waitUntil(
        [&] { return result->displayType() == DisplayViewType::displayViewTypeRemoveFinished; },
        20000));
    EXPECT_TRUE(
        result->finishedView()->detailLabel()->text().startsWith("3 files moved to kept ("));
    EXPECT_TRUE(tree.exists("kept/photo.jpg"));
    // Two copies named alike: the second gets a stamped name beside the first.
    int reports = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kept))
        if (entry.path().filename().string().find("report") != std::string::npos) ++reports;
    EXPECT_EQ(reports, 2);
    EXPECT_TRUE(tree.exists("scan/c-report.txt"));
    EXPECT_EQ(manager->lastRemoveType, dupl::RemoveType::folder(kept));
}

TEST_F(DuplicateScreensTest, TheNotEnoughSpaceQuestionAnswersTheDriver) {
    ScanFileResultViewController screen(manager);
    screen.show();
    std::vector<bool> answers;
    screen.onConfirmForceRemove("Backup Disk", [&](bool yes) { answers.push_back(yes); });
    QMessageBox* box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(),
              "Some selected files will be permanently deleted because there is not enough "
              "space in Backup Disk. Are you sure to continue?");
    ASSERT_TRUE(answerMessageBox("Cancel"));
    screen.onConfirmForceRemove("Backup Disk", [&](bool yes) { answers.push_back(yes); });
    ASSERT_TRUE(answerMessageBox("Continue"));
    EXPECT_EQ(answers, (std::vector<bool>{false, true}));

    // A refusal that arrives when no removal runs changes nothing on screen.
    QWidget* page = screen.currentPage();
    screen.onRemoveRefused("late");
    EXPECT_EQ(screen.currentPage(), page);
    EXPECT_EQ(openMessageBox(), nullptr);
}
