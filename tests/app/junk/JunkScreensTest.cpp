// The junk screens on the offscreen platform, driving a real scan of a private home: the scan,
// the results screen's check boxes and totals, and the cleaning that follows.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>

#include "app/common/Text.h"
#include "app/junk/CleanUpResultNewViewController.h"
#include "app/junk/CleanUpResultViewController.h"
#include "app/junk/CleanupCleanViewController.h"
#include "app/junk/JunkSort.h"
#include "app/junk/JunkViewController.h"
#include "app/junk/LeftCleanUpListViewController.h"
#include "app/junk/RightCleanUpListViewController.h"
#include "core/analytics/EventLabels.h"
#include "core/junk/CleanManager.h"
#include "core/junk/RuleEnvironment.h"
#include "kit/Resources.h"
#include "support/GuiTestSupport.h"
#include "support/RecordedEvents.h"
#include "support/TempTree.h"

namespace orvane::app {
namespace {

using orvane::testing::guiApp;
using orvane::testing::ScopedHome;
using orvane::testing::TempTree;
using orvane::testing::waitUntil;

// A private home with junk of every kind but app junk, a look-alike beside it, and the real junk
// driver over it.
class JunkScreens : public ::testing::Test {
protected:
    void SetUp() override {
        guiApp();
        tree.file("home/.cache/thumbnails/normal/a.png", std::string(3000, 'p'));
        tree.file("home/.cache/thumbnails/large/b.png", std::string(1000, 'p'));
        tree.file("home/.cache/mozilla/firefox/p.default/cache2/entries/A", std::string(2000, 'f'));
        tree.file("home/.local/share/Trash/files/a.txt", std::string(700, 't'));
        tree.file("home/.local/share/Trash/files/b.txt", std::string(300, 't'));
        tree.file("home/.local/share/Trash/files/c.txt", std::string(300, 't'));
        tree.file("home/Downloads/setup.deb", std::string(500, 'd'));
        tree.file("home/Downloads/notes.txt", "keep");
        tree.file("home/.mozilla/firefox/p.default/cookies.sqlite", "secret");
        junk::JunkSetup setup;
        auto env = std::make_shared<junk::RuleEnvironment>(
            platform::Layout::linuxLayout(tree.path("root")));
        setup.environment = [env] { return env; };
        setup.ruleDocument = [](const platform::Layout&) {
            return kit::resourceFile("junk/linux/garbageConfig.xml");
        };
        setup.mountInfoPath = tree.file("mountinfo", "");
        setup.procRoot = tree.dir("proc");
        manager = std::make_unique<junk::CleanManager>(setup);
    }

    // Waits for the scan the screen runs to reach its summary.
    static bool summaryShown(JunkViewController& screen) {
        return waitUntil([&] { return screen.page() == JunkViewController::Page::summary; }, 20000);
    }

    TempTree tree;
    ScopedHome home{tree};
    std::unique_ptr<junk::CleanManager> manager;
};

// The results screen of one finished scan.
class JunkResults : public JunkScreens {
protected:
    void SetUp() override {
        JunkScreens::SetUp();
        screen = std::make_unique<JunkViewController>(manager.get());
        screen->resize(1000, 700);
        ASSERT_TRUE(orvane::testing::scanWithButton(*screen, JunkViewController::Page::summary));
        results = screen->resultsScreen();
        left = results->leftVC;
        right = results->rightVC;
    }

    int rowOf(junk::CleanJunkType type) {
        for (std::size_t i = 0; i < left->categories.size(); ++i)
            if (left->categories[i]->model->junkType == static_cast<std::uint32_t>(type))
                return static_cast<int>(i);
        return -1;
    }
    Qt::CheckState leftState(junk::CleanJunkType type) {
        return left->tableView->item(rowOf(type), 0)->checkState();
    }
    QTreeWidgetItem* leafNamed(const QString& name) {
        for (int i = 0; i < right->scanOutlineView->topLevelItemCount(); ++i) {
            QTreeWidgetItem* group = right->scanOutlineView->topLevelItem(i);
            for (int j = 0; j < group->childCount(); ++j)
                if (group->child(j)->text(0).startsWith(name)) return group->child(j);
        }
        return nullptr;
    }

    std::unique_ptr<JunkViewController> screen;
    CleanUpResultNewViewController* results = nullptr;
    LeftCleanUpListViewController* left = nullptr;
    RightCleanUpListViewController* right = nullptr;
};

TEST_F(JunkScreens, ScanButtonShowsTheKindsGrowingThenASummary) {
    JunkViewController screen(manager.get());
    screen.resize(900, 640);
    screen.show();
    EXPECT_EQ(screen.page(), JunkViewController::Page::home);
    screen.scanButton()->click();
    EXPECT_EQ(screen.page(), JunkViewController::Page::scanning);
    EXPECT_TRUE(screen.stopButton()->isEnabled());
    ASSERT_TRUE(summaryShown(screen));

    EXPECT_EQ(screen.progressBar()->value(), 1000);
    EXPECT_FALSE(screen.wasStopped());
    for (int i = 0; i < JunkViewController::kKinds; ++i)
        EXPECT_EQ(screen.kindRow(i)->status(), JunkKindRow::Status::done) << i;
    EXPECT_NE(screen.kindRow(2)->sizeLabel()->text(), QStringLiteral("—"))
        << "the Trash row shows what it found";
    EXPECT_EQ(screen.kindRow(1)->sizeLabel()->text(), QStringLiteral("—"));
    EXPECT_TRUE(screen.summaryTitle()->text().endsWith(QStringLiteral("of junk found")))
        << screen.summaryTitle()->text().toStdString();

    // The results list the five kinds with their headings; nothing is a look-alike.
    LeftCleanUpListViewController* left = screen.resultsScreen()->leftVC;
    RightCleanUpListViewController* right = screen.resultsScreen()->rightVC;
    ASSERT_EQ(left->tableView->rowCount(), 5);
    EXPECT_EQ(left->tableView->item(0, 0)->text(), QStringLiteral("System Junk"));
    EXPECT_EQ(left->tableView->item(4, 0)->text(), QStringLiteral("Internet Junk"));
    left->tableView->setCurrentCell(4, 0);
    ASSERT_EQ(right->scanOutlineView->topLevelItemCount(), 1);
    EXPECT_TRUE(
        right->scanOutlineView->topLevelItem(0)->text(0).startsWith(QStringLiteral("Firefox")));
    EXPECT_EQ(itemsOf(*left->categories[2]).size(), 3u);
    left->tableView->setCurrentCell(3, 0);
    EXPECT_EQ(right->scanOutlineView->topLevelItem(0)->text(0),
              QStringLiteral("Unused Installation Packages"));
    for (const auto& category : screen.categories())
        for (const auto& group : category->subcategories())
            for (const auto& item : group->files())
                EXPECT_EQ(item->url.find("cookies"), std::string::npos);

    // A second scan starts afresh.
    screen.rescanButton()->click();
    ASSERT_TRUE(summaryShown(screen));
    EXPECT_EQ(itemsOf(*screen.resultsScreen()->leftVC->categories[2]).size(), 3u);
}

TEST_F(JunkScreens, StopEndsOnWhatWasFoundSoFar) {
    for (int i = 0; i < 1000; ++i)
        tree.file("home/.local/share/Trash/files/f" + std::to_string(i), "x");
    JunkViewController screen(manager.get());
    screen.show();
    screen.scanButton()->click();
    screen.stopButton()->click();
    EXPECT_FALSE(screen.stopButton()->isEnabled());
    ASSERT_TRUE(summaryShown(screen));
    EXPECT_TRUE(screen.wasStopped());
    EXPECT_TRUE(screen.summaryTitle()->text().startsWith(QStringLiteral("Scan stopped")))
        << screen.summaryTitle()->text().toStdString();
    // How far the scan got before the stop depends on the machine; what it found is all shown.
    std::size_t shown = 0;
    for (const auto& category : screen.categories())
        for (const auto& group : category->subcategories()) shown += group->files().size();
    std::size_t found = 0;
    for (const auto& model : manager->getModels()) found += model->allItems.size();
    EXPECT_EQ(shown, found);
}

TEST_F(JunkScreens, ABrokenRuleDocumentIsSaidOnTheSummary) {
    junk::JunkSetup setup = manager->setup();
    const std::string broken = tree.file("broken.xml", "<garbage><category");
    setup.ruleDocument = [broken](const platform::Layout&) { return broken; };
    junk::CleanManager brokenManager(setup);
    JunkViewController screen(&brokenManager);
    ASSERT_TRUE(orvane::testing::scanWithButton(screen, JunkViewController::Page::summary));
    EXPECT_TRUE(screen.summaryDetail()->text().contains(QStringLiteral("could not be read")));
    EXPECT_EQ(itemsOf(*screen.resultsScreen()->leftVC->categories[0]).size(), 2u)
        << "the thumbnail folders are still found";
}

TEST_F(JunkResults, ThreeLevelsOfCheckBoxesAndTheTotalsFollowTheItems) {
    const std::size_t allSelected = results->selectedCount();
    const std::int64_t allBytes = results->selectedSize();
    EXPECT_GE(allSelected, 5u);
    EXPECT_EQ(leftState(junk::CleanJunkType::package), Qt::Unchecked)
        << "installer packages are offered, not ticked";
    EXPECT_EQ(leftState(junk::CleanJunkType::appJunk), Qt::Unchecked) << "nothing found: off";
    EXPECT_EQ(right->allSelectCheckBox->checkState(), Qt::PartiallyChecked);

    // An item unticked: its heading and its kind become mixed, the totals drop by its size.
    left->tableView->setCurrentCell(rowOf(junk::CleanJunkType::trash), 0);
    QTreeWidgetItem* b = leafNamed(QStringLiteral("b.txt"));
    ASSERT_TRUE(b);
    b->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(b->parent()->checkState(0), Qt::PartiallyChecked);
    EXPECT_EQ(leftState(junk::CleanJunkType::trash), Qt::PartiallyChecked);
    EXPECT_EQ(results->selectedCount(), allSelected - 1);
    EXPECT_EQ(results->selectedSize(), allBytes - 300);
    EXPECT_TRUE(results->selectedLabel->text().contains(
        QStringLiteral("%1(").arg(countText(static_cast<long long>(allSelected - 1)))));

    // The heading ticked again ticks every item under it.
    b->parent()->setCheckState(0, Qt::Checked);
    EXPECT_EQ(b->checkState(0), Qt::Checked);
    EXPECT_EQ(leftState(junk::CleanJunkType::trash), Qt::Checked);

    // The kind's box on the left clears the kind, and the outline shows it.
    left->tableView->item(rowOf(junk::CleanJunkType::trash), 0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(b->checkState(0), Qt::Unchecked);
    EXPECT_EQ(b->parent()->checkState(0), Qt::Unchecked);
    EXPECT_EQ(results->selectedCount(), allSelected - 3);

    // Select-all stands for every kind: on ticks everything there is.
    right->allSelectCheckBox->click();
    EXPECT_EQ(right->allSelectCheckBox->checkState(), Qt::Checked);
    EXPECT_EQ(right->allSelectLabel->text(), QStringLiteral("Deselect All"));
    for (const auto& kind : {junk::CleanJunkType::systemJunk, junk::CleanJunkType::trash,
                             junk::CleanJunkType::package, junk::CleanJunkType::internetJunk})
        EXPECT_EQ(leftState(kind), Qt::Checked) << static_cast<int>(kind);
    EXPECT_EQ(leftState(junk::CleanJunkType::appJunk), Qt::Unchecked)
        << "a kind without items stays off and does not count";

    // ...and off clears every item of every kind.
    right->allSelectCheckBox->click();
    EXPECT_EQ(right->allSelectCheckBox->checkState(), Qt::Unchecked);
    EXPECT_EQ(right->allSelectLabel->text(), QStringLiteral("Check All"));
    EXPECT_EQ(results->selectedCount(), 0u);
    EXPECT_TRUE(results->selectedLabel->text().contains(QStringLiteral("Selected:")));
    EXPECT_TRUE(results->selectedLabel->text().contains(QStringLiteral("0(") + sizeText(0)))
        << results->selectedLabel->text().toStdString();
    EXPECT_FALSE(results->cleanButton->isEnabled()) << "nothing to clean";

    // One kind fully ticked, the rest off: mixed.
    left->tableView->item(rowOf(junk::CleanJunkType::trash), 0)->setCheckState(Qt::Checked);
    EXPECT_EQ(right->allSelectCheckBox->checkState(), Qt::PartiallyChecked);
}

// Where a row's check box starts: the first dark pixel along the middle of its name cell.
int checkBoxLeft(QTableWidget* table, int row) {
    const QImage image = table->viewport()->grab().toImage();
    const QRect cell = table->visualItemRect(table->item(row, 0));
    const int y = cell.center().y() * image.height() / table->viewport()->height();
    for (int x = cell.left(); x < cell.left() + 40 && x < image.width(); ++x)
        if (qGray(image.pixel(x, y)) < 205) return x;
    return -1;
}

TEST_F(JunkResults, TheChosenKindsCheckBoxLinesUpWithTheOthers) {
    QTableWidget* table = left->tableView;
    ASSERT_GE(table->rowCount(), 3);
    left->selectRow(0);
    QCoreApplication::processEvents();
    const int chosen = checkBoxLeft(table, 0);
    const int other = checkBoxLeft(table, 1);
    ASSERT_GE(chosen, 0);
    ASSERT_GE(other, 0);
    EXPECT_NEAR(chosen, other, 1) << "the highlighted row's box sits where the others do";
    left->selectRow(2);
    QCoreApplication::processEvents();
    EXPECT_NEAR(checkBoxLeft(table, 2), checkBoxLeft(table, 0), 1);
}

TEST_F(JunkResults, SortingBySizeIsStableAndTheDefaultOrderComesBack) {
    left->tableView->setCurrentCell(rowOf(junk::CleanJunkType::trash), 0);
    right->sortPopButton->setCurrentIndex(2);
    QTreeWidgetItem* group = right->scanOutlineView->topLevelItem(0);
    ASSERT_EQ(group->childCount(), 3);
    EXPECT_TRUE(group->child(0)->text(0).startsWith(QStringLiteral("a.txt")));
    // b and c have equal sizes and keep their order.
    EXPECT_TRUE(group->child(1)->text(0).startsWith(QStringLiteral("b.txt")));
    EXPECT_TRUE(group->child(2)->text(0).startsWith(QStringLiteral("c.txt")));
    right->sortPopButton->setCurrentIndex(1);
    group = right->scanOutlineView->topLevelItem(0);
    EXPECT_TRUE(group->child(0)->text(0).startsWith(QStringLiteral("b.txt")));
    EXPECT_TRUE(group->child(1)->text(0).startsWith(QStringLiteral("c.txt")));
    EXPECT_TRUE(group->child(2)->text(0).startsWith(QStringLiteral("a.txt")));

    left->sortPopButton->setCurrentIndex(2);
    for (int i = 1; i < left->tableView->rowCount(); ++i)
        EXPECT_GE(left->categories[static_cast<std::size_t>(i - 1)]->size(),
                  left->categories[static_cast<std::size_t>(i)]->size());
    left->sortPopButton->setCurrentIndex(0);
    EXPECT_EQ(left->tableView->item(0, 0)->text(), QStringLiteral("System Junk"));
    EXPECT_EQ(sortTypeForIndex(7), junk::CleanUpItemSortType::normal);
}

TEST_F(JunkResults, CleaningRemovesWhatIsTickedAndEndsOnWhatWasFreed) {
    left->tableView->setCurrentCell(rowOf(junk::CleanJunkType::trash), 0);
    leafNamed(QStringLiteral("c.txt"))->setCheckState(0, Qt::Unchecked);
    const std::int64_t expected = results->selectedSize();
    results->cleanButton->click();
    EXPECT_EQ(screen->page(), JunkViewController::Page::cleaning);
    ASSERT_TRUE(
        waitUntil([&] { return screen->page() == JunkViewController::Page::finished; }, 20000));
    CleanUpResultViewController* finished = screen->finishedScreen();
    EXPECT_EQ(finished->titleLabel()->text(), QStringLiteral("Congratulations!"));
    EXPECT_FALSE(finished->failureList()->isVisible());
    EXPECT_GE(manager->cleanedSize.load(), static_cast<std::uint64_t>(expected) / 2)
        << "freed space is counted in blocks, close to the lengths";
    EXPECT_EQ(screen->cleaningScreen()->cleanedBytes(), expected);
    EXPECT_FALSE(tree.exists("home/.local/share/Trash/files/a.txt"));
    EXPECT_TRUE(tree.exists("home/.local/share/Trash/files/c.txt"));
    EXPECT_TRUE(tree.exists("home/Downloads/setup.deb"));
    EXPECT_TRUE(
        screen->cleaningScreen()->stageStatus(2)->text().startsWith(QStringLiteral("Done")));
    finished->okButton()->click();
    EXPECT_EQ(screen->page(), JunkViewController::Page::home);

    // The history sees the scan and the cleaning with what was asked for and what was freed.
    const auto events = orvane::testing::recordedEvents();
    EXPECT_EQ(orvane::testing::eventMoments(events),
              (std::vector<std::string>{"Process/Cleanup/ScanPage", "Process/Cleanup/StartScan",
                                        "Process/Cleanup/ScanEnd", "Process/Cleanup/RemoveStart",
                                        "Process/Cleanup/RemoveEnd"}));
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].labels, std::vector<std::string>{"nil"});
    EXPECT_EQ(events[2].labels.back(), "Finish");
    EXPECT_EQ(events[3].labels, (std::vector<std::string>{"System", "Trash", "Internet"}))
        << "the kinds with something ticked";
    EXPECT_EQ(events[4].labels[1], "0") << "nothing failed";
    EXPECT_EQ(events[4].labels[2],
              orvane::analytics::labels::megabytes(manager->cleanedSize.load()));
}

TEST_F(JunkResults, AnItemChangedSinceTheScanIsListedWithItsReason) {
    // Rewritten after the scan: same name, other content.
    tree.file("home/.local/share/Trash/files/b.txt", std::string(301, 'n'));
    results->cleanButton->click();
    ASSERT_TRUE(
        waitUntil([&] { return screen->page() == JunkViewController::Page::finished; }, 20000));
    CleanUpResultViewController* finished = screen->finishedScreen();
    EXPECT_EQ(finished->titleLabel()->text(), QStringLiteral("Cleaning finished"));
    ASSERT_EQ(finished->failureList()->topLevelItemCount(), 1);
    EXPECT_TRUE(
        finished->failureList()->topLevelItem(0)->text(0).endsWith(QStringLiteral("b.txt")));
    EXPECT_TRUE(finished->failureList()->topLevelItem(0)->text(1).contains(
        QStringLiteral("since the scan")))
        << finished->failureList()->topLevelItem(0)->text(1).toStdString();
    EXPECT_EQ(tree.read("home/.local/share/Trash/files/b.txt"), std::string(301, 'n'));
}

}  // namespace
}  // namespace orvane::app
