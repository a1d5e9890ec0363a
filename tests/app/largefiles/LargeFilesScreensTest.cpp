#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeView>
#include <QTreeWidget>

#include "app/common/ScanningViewController.h"
#include "app/duplicates/RemoveFinishedView.h"
#include "app/largefiles/LargeFilesConfirmWindowController.h"
#include "app/largefiles/LargeFilesModels.h"
#include "app/largefiles/LargeFilesResultViewController.h"
#include "app/largefiles/LargeFilesViewController.h"
#include "app/shell/Icons.h"
#include "app/shell/MainThread.h"
#include "core/largefiles/LargeFilesManager.h"
#include "core/settings/PerferenceInfo.h"
#include "platform/mac/FolderTrash.h"
#include "support/GuiTestSupport.h"
#include "support/TempTree.h"

namespace orvane::app {
namespace {

using largefiles::LargeFilesManager;
using orvane::testing::ScopedHome;
using orvane::testing::TempTree;

class LargeFilesScreens : public ::testing::Test {
protected:
    LargeFilesScreens() : home(tree) {
        orvane::testing::guiApp();
        installQtMainQueue();
        prefs = std::make_shared<settings::PerferenceInfo>(tree.path("prefs/PreferenceInfo.plist"));
        manager.preferenceLoader = [this] { return prefs; };
        manager.trashFactory = [this] {
            return std::make_unique<platform::FolderTrash>(tree.dir("trash"));
        };
    }

    void scanFixture() {
        manager.folderList = {home.home()};
        manager.scanLargeFile();
    }
    std::string rel(const std::string& path) const { return path.substr(home.home().size() + 1); }
    std::vector<std::string> shown(const LargeFilesTableModel& model) const {
        std::vector<std::string> out;
        for (const auto& info : model.files()) out.push_back(rel(info->path()));
        return out;
    }

    TempTree tree;
    ScopedHome home;
    std::shared_ptr<settings::PerferenceInfo> prefs;
    LargeFilesManager manager;
};

TEST_F(LargeFilesScreens, CategoryListsCarryTheirTitlesCountsAndSizes) {
    tree.sparseFile("home/huge.mkv", 5'000'000'000);
    tree.sparseFile("home/song.mp3", 20'000'000);
    tree.sparseFile("home/old.pdf", 600'000'000);
    tree.setMtime("home/old.pdf", 1'000'000'000);
    scanFixture();

    LargeFilesResultViewController result(manager);
    result.reload();
    auto titles = [&] {
        std::vector<std::string> out;
        auto* model = result.categoryModel();
        for (int r = 0; r < model->rowCount(); ++r)
            out.push_back(model->index(r).data().toString().section('\n', 0, 0).toStdString());
        return out;
    };
    // Spaced evenly as a person reads them.
    EXPECT_EQ(titles(), (std::vector<std::string>{"All files", "Over 5 GB", "1 GB to 5 GB",
                                                  "500 MB to 1 GB", "10 MB to 500 MB"}));
    auto* sizes = result.categoryModel();
    EXPECT_EQ(sizes->index(0).data(LargeFilesCategoryModel::countRole).toLongLong(), 3);
    EXPECT_EQ(sizes->index(1).data(LargeFilesCategoryModel::sizeRole).toULongLong(),
              5'000'000'000u);
    EXPECT_EQ(sizes->index(3).data(LargeFilesCategoryModel::countRole).toLongLong(), 1);

    result.listButton(LeftLargeDataListStyle::byTime)->click();
    EXPECT_EQ(titles(), (std::vector<std::string>{"All files", "1 Year Ago", "1 Month Ago",
                                                  "1 Week Ago", "Last Week", "Today"}));
    result.chooseCategory(1);
    EXPECT_EQ(result.categoryTitle()->text(), QStringLiteral("1 Year Ago"));
    EXPECT_EQ(shown(*result.fileModel()), std::vector<std::string>{"old.pdf"});

    result.listButton(LeftLargeDataListStyle::byType)->click();
    result.chooseCategory(3);  // audio
    EXPECT_EQ(shown(*result.fileModel()), std::vector<std::string>{"song.mp3"});
    result.chooseCategory(4);  // video
    EXPECT_EQ(shown(*result.fileModel()), std::vector<std::string>{"huge.mkv"});
}

TEST_F(LargeFilesScreens, ListsSayWhatTheScanCouldNotReachAndCountSharedFilesOnce) {
    tree.sparseFile("home/film.mkv", 30'000'000);
    tree.hardlink("home/film.mkv", "home/Videos/film.mkv");
    tree.symlink(tree.path("home/film.mkv"), "home/Desktop/film.mkv");
    scanFixture();
    LargeFilesResultViewController result(manager);
    result.resize(900, 600);
    result.show();
    result.reload();
    EXPECT_TRUE(result.skippedLabel()->isHidden());
    auto* sizes = result.categoryModel();
    EXPECT_EQ(sizes->index(0).data(LargeFilesCategoryModel::countRole).toLongLong(), 3);
    EXPECT_EQ(sizes->index(0).data(LargeFilesCategoryModel::sizeRole).toULongLong(), 30'000'000u)
        << "three names, one file on disk";

    tree.deepChain("home/deep", "buried.mkv", "x");
    scanFixture();
    result.reload();
    EXPECT_TRUE(result.skippedLabel()->isVisible());
    EXPECT_EQ(result.skippedLabel()->text(), "1 entry was skipped: 1 path too long.");
}

TEST_F(LargeFilesScreens, CheckingInOneListChecksTheFileEverywhereAndCountsItOnce) {
    tree.sparseFile("home/huge.mkv", 5'000'000'000);
    tree.sparseFile("home/small.bin", 20'000'000);
    scanFixture();
    LargeFilesResultViewController result(manager);
    result.reload();
    EXPECT_FALSE(result.removeButton()->isEnabled());

    result.listButton(LeftLargeDataListStyle::byTime)->click();
    result.chooseCategory(5);  // Today
    auto* model = result.fileModel();
    const int row = shown(*model)[0] == "huge.mkv" ? 0 : 1;
    ASSERT_TRUE(model->setData(model->index(row, 0), Qt::Checked, Qt::CheckStateRole));

    result.listButton(LeftLargeDataListStyle::bySize)->click();
    result.chooseCategory(1);  // Over 5GB
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_TRUE(result.removeButton()->isEnabled());
    EXPECT_TRUE(result.selectionLabel()->text().startsWith(QStringLiteral("Selected: 1 file, ")))
        << result.selectionLabel()->text().toStdString();
    EXPECT_EQ(manager.selectedFiles().size(), 1u);
}

TEST_F(LargeFilesScreens, NameSortsByNameLengthAndBothSortsAreStable) {
    using Files = FileList;
    tree.sparseFile("home/bbbb.bin", 30'000'000);
    tree.sparseFile("home/a.bin", 20'000'000);
    tree.sparseFile("home/zz.bin", 20'000'000);
    tree.sparseFile("home/cc.bin", 40'000'000);
    scanFixture();
    Files files = manager.allFiles[0]->infos();  // biggest first, then by path
    auto names = [&](const Files& list) {
        std::vector<std::string> out;
        for (const auto& f : list) out.push_back(rel(f->path()));
        return out;
    };
    ASSERT_EQ(names(files), (std::vector<std::string>{"cc.bin", "bbbb.bin", "a.bin", "zz.bin"}));
    sortFilesOfName(files, true);
    EXPECT_EQ(names(files), (std::vector<std::string>{"a.bin", "cc.bin", "zz.bin", "bbbb.bin"}));
    sortFilesOfSize(files, false);
    EXPECT_EQ(names(files), (std::vector<std::string>{"cc.bin", "bbbb.bin", "a.bin", "zz.bin"}));
    sortFilesOfName(files, false);
    EXPECT_EQ(names(files), (std::vector<std::string>{"bbbb.bin", "cc.bin", "zz.bin", "a.bin"}));

    LargeFilesResultViewController result(manager);
    result.reload();
    result.nameSortButton()->click();
    EXPECT_EQ(shown(*result.fileModel()).front(), "a.bin");
    result.nameSortButton()->click();
    EXPECT_EQ(shown(*result.fileModel()).front(), "bbbb.bin");
    result.sizeSortButton()->click();
    EXPECT_EQ(shown(*result.fileModel()),
              (std::vector<std::string>{"zz.bin", "a.bin", "bbbb.bin", "cc.bin"}))
        << "smallest first, equal sizes keep the order of the name sort";
    result.sizeSortButton()->click();
    EXPECT_EQ(shown(*result.fileModel()).front(), "cc.bin");
}

TEST_F(LargeFilesScreens, ConfirmWindowMenuAndQuestions) {
    largefiles::LargeFileInfo row{"a.iso", "/x/a.iso", "20 MB", "2026-12-06 10:00"};
    LargeFilesConfirmWindowController window({row, row});
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Confirm Your Selection"));
    EXPECT_EQ(window.removeNowButton()->text(), QStringLiteral("Remove Now"));
    EXPECT_EQ(window.list()->topLevelItemCount(), 2);
    // Long paths keep the folder they start from and the one holding the file.
    EXPECT_EQ(window.list()->textElideMode(), Qt::ElideMiddle);
    auto* menu = window.methodMenu();
    ASSERT_EQ(menu->count(), 3);
    EXPECT_EQ(menu->itemText(0), QStringLiteral("Discard to the Trash"));
    EXPECT_EQ(menu->itemText(1), QStringLiteral("Remove to the Folder..."));

    // A cancelled folder dialog puts the menu back on the Trash.
    window.folderChooser = [](QWidget*, bool) { return std::vector<std::string>{}; };
    menu->setCurrentIndex(1);
    Q_EMIT menu->activated(1);
    EXPECT_EQ(menu->currentIndex(), 0);

    window.folderChooser = [](QWidget*, bool) { return std::vector<std::string>{"/media/backup"}; };
    menu->setCurrentIndex(1);
    Q_EMIT menu->activated(1);
    EXPECT_EQ(menu->itemText(1), QStringLiteral("Remove to /media/backup"));
    ASSERT_TRUE(window.currentType());
    EXPECT_EQ(*window.currentType(), files::RemoveType::folder("/media/backup"));

    // The window itself asks, above its buttons: the Trash or a folder takes one step.
    EXPECT_EQ(window.questionLabel()->text(),
              QStringLiteral("Are you sure to move the selected files to /media/backup?"));
    menu->setCurrentIndex(0);
    EXPECT_EQ(window.questionLabel()->text(),
              QStringLiteral("Are you sure to discard the selected files to the Trash?"));
    std::optional<files::RemoveType> chosen;
    window.onRemove = [&](files::RemoveType type) { chosen = type; };
    window.removeNowButton()->click();
    QApplication::processEvents();
    EXPECT_EQ(orvane::testing::openMessageBox(), nullptr) << "no second question for the Trash";
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, files::RemoveType::trash());
    chosen.reset();
    window.show();

    // Deleting for good cannot be undone: that alone asks once more.
    menu->setCurrentIndex(2);
    EXPECT_EQ(window.questionLabel()->text(),
              QStringLiteral("Are you sure to permanently delete the selected files?"));
    window.removeNowButton()->click();
    QMessageBox* box = orvane::testing::waitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(),
              QStringLiteral("Are you sure to permanently delete the selected files?"));
    ASSERT_TRUE(orvane::testing::answerMessageBox(QStringLiteral("Delete Permanently")));
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, files::RemoveType::forever());
}

TEST_F(LargeFilesScreens, ScanSelectRemoveToTrashAndSeeTheReport) {
    tree.sparseFile("home/Movies/film.mkv", 300'000'000);
    tree.sparseFile("home/Downloads/image.iso", 40'000'000);
    tree.sparseFile("home/Downloads/gone.zip", 40'000'000);
    tree.sparseFile("home/notes.txt", 100);

    LargeFilesViewController screen(&manager);
    screen.resize(1000, 650);
    screen.show();
    EXPECT_EQ(screen.page(), LargeFilesViewController::Page::start);
    screen.scanButton()->click();
    ASSERT_TRUE(orvane::testing::waitUntil(
        [&] { return screen.page() == LargeFilesViewController::Page::results; }, 20'000));
    auto* result = screen.resultView();
    ASSERT_EQ(result->fileModel()->rowCount(), 3);

    auto* model = result->fileModel();
    for (int r = 0; r < model->rowCount(); ++r) {
        const auto name = rel(model->files()[r]->path());
        if (name != "Downloads/image.iso")
            model->setData(model->index(r, 0), Qt::Checked, Qt::CheckStateRole);
    }
    ::unlink(tree.path("home/Downloads/gone.zip").c_str());

    result->removeButton()->click();
    LargeFilesConfirmWindowController* confirm = nullptr;
    ASSERT_TRUE(orvane::testing::waitUntil([&] {
        confirm = screen.findChild<LargeFilesConfirmWindowController*>();
        return confirm && confirm->isVisible();
    }));
    EXPECT_EQ(confirm->rows().size(), 2u);
    confirm->removeNowButton()->click();  // one step: the window was the question
    ASSERT_TRUE(orvane::testing::waitUntil(
        [&] { return screen.page() == LargeFilesViewController::Page::finished; }, 20'000));
    // The same report as the other modules' removals, laid out and worded alike.
    RemoveFinishedView* finished = screen.finishedView();
    ASSERT_EQ(screen.findChild<QStackedWidget*>()->currentWidget(), finished);
    const QImage icon = finished->iconLabel()->pixmap().toImage();
    EXPECT_FALSE(icon.isNull()) << "the finished page shows its icon";
    EXPECT_EQ(icon, appIcon(QStringLiteral("doneWithFailures")).pixmap(72, 72).toImage())
        << "a warning, not a check mark, when a file stayed";
    EXPECT_EQ(finished->failureTitleLabel()->text(),
              QStringLiteral("1 file could not be removed:"));

    EXPECT_EQ(finished->titleLabel()->text(), QStringLiteral("Some files could not be removed"))
        << "one of the two stayed: no success to claim";
    EXPECT_FALSE(tree.exists("home/Movies/film.mkv"));
    EXPECT_TRUE(tree.exists("trash/film.mkv"));
    EXPECT_TRUE(tree.exists("home/Downloads/image.iso"));
    EXPECT_TRUE(
        finished->detailLabel()->text().startsWith(QStringLiteral("1 file moved to the Trash (")))
        << finished->detailLabel()->text().toStdString();
    ASSERT_EQ(finished->failureList()->topLevelItemCount(), 1);
    EXPECT_TRUE(
        finished->failureList()->topLevelItem(0)->text(0).endsWith(QStringLiteral("gone.zip")));
    EXPECT_EQ(finished->failureList()->topLevelItem(0)->text(1),
              QStringLiteral("File path does not exist."))
        << "a reason reads as a sentence";
    // The heading over the failures starts where the list does, not centred above it.
    QApplication::processEvents();
    const QLabel* heading = finished->failureTitleLabel();
    EXPECT_FALSE(heading->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(heading->mapTo(finished, QPoint(0, 0)).x(),
              finished->failureList()->mapTo(finished, QPoint(0, 0)).x());
    EXPECT_LE(heading->sizeHint().width(), heading->width()) << "the heading is not cut";

    finished->doneButton()->click();
    EXPECT_EQ(screen.page(), LargeFilesViewController::Page::results);

    std::vector<std::string> left = shown(*result->fileModel());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"Downloads/gone.zip", "Downloads/image.iso"}))
        << "the removed file left the list; the failed one stays with its mark";
    const auto& failed = result->fileModel()->files();
    for (int r = 0; r < static_cast<int>(failed.size()); ++r)
        if (failed[r]->path().ends_with("gone.zip")) {
            EXPECT_EQ(result->fileModel()->index(r, 0).data(Qt::ToolTipRole).toString(),
                      QStringLiteral("file path does not exist."));
        }
    // From the finished page a new scan starts at once, as in Duplicates, and finds what is
    // left on disk.
    result->selectAllButton()->click();
    result->removeButton()->click();
    ASSERT_TRUE(orvane::testing::waitUntil([&] {
        confirm = nullptr;
        for (auto* w : screen.findChildren<LargeFilesConfirmWindowController*>())
            if (w->isVisible()) confirm = w;
        return confirm != nullptr;
    }));
    confirm->removeNowButton()->click();
    ASSERT_TRUE(orvane::testing::waitUntil(
        [&] { return screen.page() == LargeFilesViewController::Page::finished; }, 20'000));
    auto* newScan = screen.findChild<QPushButton*>(QStringLiteral("newScanButton"));
    ASSERT_NE(newScan, nullptr);
    newScan->click();
    ASSERT_TRUE(orvane::testing::waitUntil(
        [&] { return screen.page() == LargeFilesViewController::Page::results; }, 20'000));
    EXPECT_EQ(result->fileModel()->rowCount(), 0) << "everything large went to the Trash";
}

TEST_F(LargeFilesScreens, StoppingTheScanShowsWhatWasFound) {
    tree.sparseFile("home/a.bin", 30'000'000);
    LargeFilesViewController screen(&manager);
    screen.show();
    screen.startScan();
    // Stop confirmed at once: the scan may already be over, either way the results appear.
    if (screen.scanningView()->stopConfirmed) screen.scanningView()->stopConfirmed();
    ASSERT_TRUE(orvane::testing::waitUntil(
        [&] { return screen.page() == LargeFilesViewController::Page::results; }, 20'000));
    EXPECT_LE(screen.resultView()->fileModel()->rowCount(), 1);
}

}  // namespace
}  // namespace orvane::app
