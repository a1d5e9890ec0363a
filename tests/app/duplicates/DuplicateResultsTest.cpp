// The duplicate result screen after a scan and after a removal, driven as a person would: the
// totals by kind, the selection menu, the removal question, what the scan could not read, and a
// stop pressed as the scan ends.
#include <gtest/gtest.h>

#include <QAction>
#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "app/common/ScanningViewController.h"
#include "app/common/SinglePathSelectViewController.h"
#include "app/duplicates/DuplicatFilesViewController.h"
#include "app/duplicates/DuplicateResultModel.h"
#include "app/duplicates/DuplicateResultView.h"
#include "app/duplicates/RemoveFinishedView.h"
#include "app/duplicates/ScanFileResultViewController.h"
#include "app/shell/Icons.h"
#include "core/duplicates/DuplicateSelection.h"
#include "core/duplicates/ScanManager.h"
#include "platform/Layout.h"
#include "support/GuiTestSupport.h"
#include "support/TempTree.h"

using namespace orvane::app;
using namespace orvane::testing;
namespace dupl = ::orvane::duplicates;

namespace {

class DuplicateResults : public ::testing::Test {
protected:
    void SetUp() override { guiApp(); }
    void TearDown() override { orvane::testing::rejectOpenMessageBoxes(); }

    std::shared_ptr<dupl::ScanManager> makeManager() {
        dupl::ScanManager::Environment env;
        env.layout = orvane::platform::Layout::linuxLayout();
        env.walkerThreads = 2;
        return dupl::ScanManager::create(env);
    }

    // A result screen that has scanned `folder` to the end.
    std::unique_ptr<ScanFileResultViewController> scanned(const std::string& folder) {
        auto screen = std::make_unique<ScanFileResultViewController>(makeManager());
        screen->resize(1000, 640);
        screen->show();
        screen->manager()->folderList = {folder};
        screen->startScan();
        const bool done = waitUntil(
            [&] { return screen->displayType() == DisplayViewType::displayViewTypeScanFinished; },
            20000);
        return done ? std::move(screen) : nullptr;
    }

    static std::vector<std::string> categoryRows(DuplicateResultView* view) {
        std::vector<std::string> rows;
        for (int i = 0; i < view->categoryList()->count(); ++i)
            rows.push_back(view->categoryList()->item(i)->text().toStdString());
        return rows;
    }

    static dupl::DuplicateFilesPtr groupHolding(DuplicateResultView* view, const std::string& end) {
        for (const auto& g : view->model()->groups())
            for (const auto& f : g->infos())
                if (f->path().ends_with(end)) return g;
        return nullptr;
    }

    TempTree tree;
    ScopedHome home{tree};
};

}  // namespace

TEST_F(DuplicateResults, TotalsByKindAfterARemovalMatchAFreshScan) {
    // Pictures: a pair, and a trio whose third copy carries an extension of another kind.
    // Documents: a small pair and a trio.
    tree.file("scan/a/moon.png", std::string(40'000, 'm'));
    tree.file("scan/b/moon.png", std::string(40'000, 'm'));
    tree.file("scan/a/sun.jpg", std::string(30'000, 's'));
    tree.file("scan/b/sun.jpg", std::string(30'000, 's'));
    tree.file("scan/c/sun.jpg.orig", std::string(30'000, 's'));
    tree.file("scan/a/memo.txt", std::string(33, 'n'));
    tree.file("scan/b/memo.txt", std::string(33, 'n'));
    tree.file("scan/a/plan.pdf", std::string(67, 'p'));
    tree.file("scan/b/plan.pdf", std::string(67, 'p'));
    tree.file("scan/c/plan.pdf", std::string(67, 'p'));

    auto screen = scanned(tree.path("scan"));
    ASSERT_NE(screen, nullptr);
    DuplicateResultView* view = screen->resultView();
    ASSERT_EQ(view->model()->groups().size(), 4u);

    // One moon (the pair is then no duplicate), the odd-named sun, one memo, one plan.
    for (const std::string end : {"b/moon.png", "c/sun.jpg.orig", "b/memo.txt", "c/plan.pdf"}) {
        auto g = groupHolding(view, end);
        ASSERT_NE(g, nullptr) << end;
        for (std::size_t i = 0; i < g->count(); ++i)
            if (g->infos()[i]->path().ends_with(end)) dupl::DuplicateSelection::toggleFile(*g, i);
    }
    view->requestRemove(orvane::files::RemoveType::forever());
    ASSERT_TRUE(answerMessageBox("Delete"));
    ASSERT_TRUE(waitUntil(
        [&] { return screen->displayType() == DisplayViewType::displayViewTypeRemoveFinished; },
        20000));
    screen->finishedView()->doneButton()->click();
    ASSERT_EQ(screen->currentPage(), view);
    const std::vector<std::string> afterRemoval = categoryRows(view);

    auto fresh = scanned(tree.path("scan"));
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(afterRemoval, categoryRows(fresh->resultView()));
    EXPECT_EQ(afterRemoval[DuplicateResultView::picture], "Picture   60 KB");
    EXPECT_EQ(afterRemoval[DuplicateResultView::document], "Document   134 bytes");
    EXPECT_EQ(afterRemoval[DuplicateResultView::other], "Other   0 bytes");
    EXPECT_EQ(view->summaryLabel()->text(), fresh->resultView()->summaryLabel()->text());
    EXPECT_EQ(view->model()->groups().size(), 2u) << "the groups left with one copy are gone";
}

TEST_F(DuplicateResults, HeadlineTellsWhatACleanUpWouldGiveBack) {
    tree.file("scan/a/x.mov", std::string(5000, 'x'));
    tree.file("scan/b/x.mov", std::string(5000, 'x'));
    tree.file("scan/c/x.mov", std::string(5000, 'x'));
    tree.file("scan/a/y.txt", std::string(2000, 'y'));
    tree.file("scan/b/y.txt", std::string(2000, 'y'));
    auto screen = scanned(tree.path("scan"));
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->resultView()->summaryLabel()->text(),
              "5 duplicate files, 19 KB in total, 12 KB reclaimable");
}

TEST_F(DuplicateResults, SelectNewAndSelectOldKeepTheOldestAndTheNewestCopy) {
    tree.file("scan/Pictures/beach.jpg", std::string(4000, 'b'));
    tree.file("scan/Documents/Backup/beach.jpg", std::string(4000, 'b'));
    tree.file("scan/Downloads/beach.jpg", std::string(4000, 'b'));
    tree.setMtime("scan/Pictures/beach.jpg", 1'600'000'000);  // the original
    tree.setMtime("scan/Documents/Backup/beach.jpg", 1'700'000'000);
    tree.setMtime("scan/Downloads/beach.jpg", 1'700'000'000);  // ties with the backup
    auto screen = scanned(tree.path("scan"));
    ASSERT_NE(screen, nullptr);
    DuplicateResultView* view = screen->resultView();
    ASSERT_EQ(view->model()->groups().size(), 1u);
    const auto group = view->model()->groups().front();
    auto unselected = [&] {
        std::vector<std::string> out;
        for (const auto& f : group->infos())
            if (!f->selected) out.push_back(f->path().substr(tree.path("scan/").size()));
        return out;
    };

    QStringList entries;
    for (QAction* a : view->selectButton()->menu()->actions()) entries << a->text();
    EXPECT_EQ(entries, (QStringList{"Auto select", "Select New", "Select Old", "Deselect All"}));

    menuAction(view->selectButton(), "Auto select")->trigger();
    EXPECT_EQ(unselected(), std::vector<std::string>{"Documents/Backup/beach.jpg"})
        << "the smallest path stays";
    menuAction(view->selectButton(), "Select New")->trigger();
    EXPECT_EQ(unselected(), std::vector<std::string>{"Pictures/beach.jpg"}) << "the oldest stays";
    EXPECT_EQ(view->totals().count, 2u);
    EXPECT_EQ(group->selectState, orvane::files::SelectState::mixed);
    menuAction(view->selectButton(), "Select Old")->trigger();
    // The two newest tie on time; the smaller path wins the tie.
    EXPECT_EQ(unselected(), std::vector<std::string>{"Documents/Backup/beach.jpg"});
    EXPECT_EQ(view->totalsLabel()->text(), "Selected: 2 files, 8 KB");
}

TEST_F(DuplicateResults, AutoSelectLeavesTheKeptCopysOtherNameAndTheEndSaysWhatFailed) {
    // The original picture has a second name in Albums (a hard link); Backup holds a real copy.
    tree.file("scan/Pictures/beach.jpg", std::string(4000, 'b'));
    tree.hardlink("scan/Pictures/beach.jpg", "scan/Albums/beach.jpg");
    tree.file("scan/Backup/beach.jpg", std::string(4000, 'b'));
    tree.setMtime("scan/Pictures/beach.jpg", 1'600'000'000);
    tree.setMtime("scan/Backup/beach.jpg", 1'700'000'000);
    auto screen = scanned(tree.path("scan"));
    ASSERT_NE(screen, nullptr);
    DuplicateResultView* view = screen->resultView();
    ASSERT_EQ(view->model()->groups().size(), 1u);
    const auto group = view->model()->groups().front();
    ASSERT_EQ(group->count(), 3u);
    auto selected = [&] {
        std::vector<std::string> out;
        for (const auto& f : group->infos())
            if (f->selected) out.push_back(f->path().substr(tree.path("scan/").size()));
        return out;
    };

    // The two names of the original tie on age; one is kept and the other is no copy to take.
    for (const char* entry : {"Auto select", "Select New"}) {
        menuAction(view->selectButton(), entry)->trigger();
        EXPECT_EQ(selected(), std::vector<std::string>{"Backup/beach.jpg"}) << entry;
        EXPECT_EQ(view->totalsLabel()->text(), "Selected: 1 file, 4 KB") << entry;
    }
    // Deleted rather than trashed: GLib learns the Trash's home once per process, and another
    // test of this program owns that.
    auto deleteForGood = [&] {
        view->requestRemove(orvane::files::RemoveType::forever());
        return waitForMessageBox() != nullptr && answerMessageBox("Delete") &&
               waitUntil(
                   [&] {
                       return screen->displayType() ==
                              DisplayViewType::displayViewTypeRemoveFinished;
                   },
                   20000);
    };
    ASSERT_TRUE(deleteForGood());
    RemoveFinishedView* finished = screen->finishedView();
    EXPECT_EQ(finished->titleLabel()->text(), "Removed Successfully");
    EXPECT_TRUE(finished->failureList()->isHidden());
    EXPECT_FALSE(tree.exists("scan/Backup/beach.jpg"));
    EXPECT_TRUE(tree.exists("scan/Pictures/beach.jpg") && tree.exists("scan/Albums/beach.jpg"));

    // Ticked by hand, the other name is refused: the page must not call that a success.
    finished->doneButton()->click();
    ASSERT_EQ(view->model()->groups().size(), 1u);
    DuplicateResultModel* model = view->model();
    const auto& names = view->model()->groups().front()->infos();
    ASSERT_EQ(names.size(), 2u);
    ASSERT_TRUE(model->setData(model->index(2, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(view->totals().count, 1u);
    ASSERT_TRUE(deleteForGood());
    EXPECT_EQ(finished->titleLabel()->text(), "Nothing could be removed");
    ASSERT_FALSE(finished->failureList()->isHidden());
    ASSERT_EQ(finished->failureList()->topLevelItemCount(), 1);
    EXPECT_TRUE(finished->failureList()->topLevelItem(0)->text(1).contains("free nothing"))
        << finished->failureList()->topLevelItem(0)->text(1).toStdString();
    EXPECT_TRUE(tree.exists("scan/Pictures/beach.jpg") && tree.exists("scan/Albums/beach.jpg"));
}

TEST_F(DuplicateResults, TheRemovalQuestionSaysWhichGroupsLoseEveryCopy) {
    for (const char* name : {"p", "q", "r"}) {
        tree.file(std::string("scan/a/") + name + ".txt", std::string(1000, name[0]));
        tree.file(std::string("scan/b/") + name + ".txt", std::string(1000, name[0]));
    }
    auto screen = scanned(tree.path("scan"));
    ASSERT_NE(screen, nullptr);
    DuplicateResultView* view = screen->resultView();
    ASSERT_EQ(view->model()->groups().size(), 3u);

    view->autoSelect();
    view->requestRemove(orvane::files::RemoveType::trash());
    QMessageBox* box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->informativeText(), "") << "every group keeps a copy";
    ASSERT_TRUE(answerMessageBox("Cancel"));

    dupl::DuplicateSelection::setGroupChecked(*view->model()->groups()[0], true);
    view->requestRemove(orvane::files::RemoveType::trash());
    ASSERT_NE(box = waitForMessageBox(), nullptr);
    EXPECT_EQ(box->informativeText(), "1 group will lose every copy.");
    ASSERT_TRUE(answerMessageBox("Cancel"));

    dupl::DuplicateSelection::setGroupChecked(*view->model()->groups()[2], true);
    view->requestRemove(orvane::files::RemoveType::forever());
    ASSERT_NE(box = waitForMessageBox(), nullptr);
    EXPECT_EQ(box->text(), "Are you sure to permanently delete the selected files?");
    EXPECT_EQ(box->informativeText(), "2 groups will lose every copy.");
    ASSERT_TRUE(answerMessageBox("Cancel"));
    EXPECT_TRUE(tree.exists("scan/a/p.txt") && tree.exists("scan/b/p.txt"));
}

TEST_F(DuplicateResults, WhatTheScanCouldNotReachIsSaid) {
    tree.file("scan/a/x.txt", std::string(1000, 'x'));
    tree.file("scan/b/x.txt", std::string(1000, 'x'));
    auto clean = scanned(tree.path("scan"));
    ASSERT_NE(clean, nullptr);
    EXPECT_TRUE(clean->resultView()->skippedLabel()->isHidden());

    tree.deepChain("scan/deep", "x.txt", std::string(1000, 'x'));
    auto screen = scanned(tree.path("scan"));
    ASSERT_NE(screen, nullptr);
    QLabel* skipped = screen->resultView()->skippedLabel();
    EXPECT_TRUE(skipped->isVisible());
    EXPECT_EQ(skipped->text(), "1 entry was skipped: 1 path too long.");
}

TEST_F(DuplicateResults, StopPressedAsTheScanEndsLeavesNoQuestionOverTheResults) {
    tree.file("scan/a/x.txt", std::string(1000, 'x'));
    tree.file("scan/b/x.txt", std::string(1000, 'x'));
    auto screen = std::make_unique<ScanFileResultViewController>(makeManager());
    screen->show();
    screen->manager()->folderList = {tree.path("scan")};
    screen->startScan();
    // The question opens at once; the scan's end is delivered by the next turns of the loop.
    screen->scanningView()->stopButton()->click();
    ASSERT_NE(openMessageBox(), nullptr);
    ASSERT_TRUE(waitUntil(
        [&] { return screen->displayType() == DisplayViewType::displayViewTypeScanFinished; },
        20000));
    QApplication::processEvents();
    EXPECT_EQ(openMessageBox(), nullptr);
    EXPECT_EQ(screen->currentPage(), screen->resultView());
    EXPECT_FALSE(screen->manager()->scanStop.load());
    EXPECT_EQ(screen->resultView()->model()->groups().size(), 1u);
}

TEST_F(DuplicateResults, TheStartScreenNamesTheFilesNeverCompared) {
    DuplicatFilesViewController module(makeManager());
    module.resize(1000, 640);
    module.show();
    QLabel* note = module.pathSelect()->footnoteLabel();
    EXPECT_TRUE(note->isVisible());
    EXPECT_TRUE(note->text().startsWith("Never compared: source, configuration and data files ("));
    for (const char* extension : {".json", ".plist", ".py", ".cpp", ".dylib"})
        EXPECT_TRUE(note->text().contains(extension)) << extension;
}

namespace orvane::app {
namespace {

TEST(RemoveFinishedLayout, TheTitleAndIconClaimSuccessOnlyWhenNothingStayed) {
    orvane::testing::guiApp();
    RemoveFinishedView view;
    const auto shows = [&](const char* iconName) {
        const QImage shown = view.iconLabel()->pixmap().toImage();
        return !shown.isNull() &&
               shown == appIcon(QString::fromLatin1(iconName)).pixmap(72, 72).toImage();
    };
    const std::vector<RemoveFinishedView::Failure> oneFailure{{"/home/ann/b.txt", "Gone."}},
        twoFailures{{"/home/ann/b.txt", "Gone."}, {"/home/ann/c.txt", "Busy."}};
    view.showResult(3, 3000, false, {}, files::RemoveType::trash());
    EXPECT_EQ(view.titleLabel()->text(), "Removed Successfully");
    EXPECT_TRUE(shows("done"));
    view.showResult(2, 2000, false, oneFailure, files::RemoveType::trash());
    EXPECT_EQ(view.titleLabel()->text(), "Some files could not be removed");
    EXPECT_TRUE(shows("doneWithFailures")) << "a warning, not a check mark";
    EXPECT_FALSE(shows("done"));
    EXPECT_EQ(view.detailLabel()->text(), "2 files moved to the Trash (2 KB)");
    EXPECT_EQ(view.failureTitleLabel()->text(), "1 file could not be removed:");
    EXPECT_EQ(view.failureList()->topLevelItemCount(), 1);
    view.showResult(0, 0, false, twoFailures, files::RemoveType::trash());
    EXPECT_EQ(view.titleLabel()->text(), "Nothing could be removed");
    EXPECT_EQ(view.failureTitleLabel()->text(), "2 files could not be removed:");
    EXPECT_TRUE(shows("doneWithFailures"));
    view.showResult(1, 1000, true, oneFailure, files::RemoveType::trash());
    EXPECT_EQ(view.titleLabel()->text(), "Remove interrupted");
    EXPECT_TRUE(shows("doneWithFailures"));
    view.showResult(1, 1000, false, {}, files::RemoveType::trash());
    EXPECT_TRUE(shows("done")) << "the next clean removal shows its check mark again";
}

TEST(RemoveFinishedLayout, AFailureReasonIsShownWholeInItsRow) {
    orvane::testing::guiApp();
    RemoveFinishedView view;
    view.resize(1060, 650);
    const std::string reason =
        "\u201cf87.txt\u201d was left in place: the copy you keep is the same file (a hard link), "
        "so "
        "removing it would free nothing.";
    view.showResult(27, 100'000, false,
                    {{"/home/ann/Documents/dups/f87.txt", reason}, {"/home/ann/b.txt", "Gone."}},
                    files::RemoveType::trash());
    view.show();
    QTest::qWait(50);
    QTreeWidget* list = view.failureList();
    const QModelIndex cell = list->model()->index(0, 1);
    const QRect row = list->visualRect(cell);
    const int width = list->header()->sectionSize(1);
    ASSERT_GT(width, 100);
    const QRect needed = QFontMetrics(list->font())
                             .boundingRect(QRect(0, 0, width - 12, 10000), Qt::TextWordWrap,
                                           QString::fromStdString(reason));
    EXPECT_GE(row.height(), needed.height()) << "the reason's lines all fit in its row";
    EXPECT_GT(needed.height(), QFontMetrics(list->font()).height()) << "it does wrap here";
    EXPECT_LT(list->visualRect(list->model()->index(1, 1)).height(), row.height())
        << "a short reason keeps a one-line row";
}

}  // namespace
}  // namespace orvane::app
