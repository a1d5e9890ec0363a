// The junk screens on the offscreen platform, driving a real scan of a private home.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>

#include "app/junk/CleanUpResultNewViewController.h"
#include "app/junk/JunkSort.h"
#include "app/junk/JunkViewController.h"
#include "app/junk/LeftCleanUpListViewController.h"
#include "app/junk/RightCleanUpListViewController.h"
#include "core/junk/CleanManager.h"
#include "core/junk/RuleEnvironment.h"
#include "kit/Resources.h"
#include "support/GuiTestSupport.h"
#include "support/TempTree.h"

namespace orvane::app {
namespace {

using orvane::testing::guiApp;
using orvane::testing::ScopedHome;
using orvane::testing::TempTree;
using orvane::testing::waitUntil;

class JunkScreens : public ::testing::Test {
protected:
    void SetUp() override {
        guiApp();
        tree.file("home/.cache/thumbnails/normal/a.png", std::string(3000, 'p'));
        tree.file("home/.cache/mozilla/firefox/p.default/cache2/entries/A", std::string(2000, 'f'));
        tree.file("home/.local/share/Trash/files/old.txt", std::string(700, 't'));
        tree.file("home/Downloads/setup.deb", std::string(500, 'd'));
        tree.file("home/.mozilla/firefox/p.default/cookies.sqlite", "secret");
        for (int i = 0; i < 400; ++i)
            tree.file("home/.local/share/Trash/files/many/" + std::to_string(i), "x");
        junk::JunkSetup setup;
        auto env = std::make_shared<junk::RuleEnvironment>(
            platform::Layout::linuxLayout(tree.path("root")));
        setup.environment = [env] { return env; };
        setup.ruleDocument = [](const platform::Layout&) {
            return kit::resourceFile("junk/linux/garbageConfig.xml");
        };
        setup.mountInfoPath = tree.file("mountinfo", "");
        manager = std::make_unique<junk::CleanManager>(setup);
    }

    TempTree tree;
    ScopedHome home{tree};
    std::unique_ptr<junk::CleanManager> manager;
};

TEST_F(JunkScreens, ScanButtonShowsTheKindsGrowingThenASummary) {
    JunkViewController screen(manager.get());
    screen.resize(900, 640);
    screen.show();
    EXPECT_EQ(screen.page(), JunkViewController::Page::home);
    screen.scanButton()->click();
    EXPECT_EQ(screen.page(), JunkViewController::Page::scanning);
    EXPECT_TRUE(screen.stopButton()->isEnabled());
    ASSERT_TRUE(
        waitUntil([&] { return screen.page() == JunkViewController::Page::summary; }, 20000));

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
    EXPECT_EQ(itemsOf(*left->categories[2]).size(), 2u);
    left->tableView->setCurrentCell(3, 0);
    EXPECT_EQ(right->scanOutlineView->topLevelItem(0)->text(0),
              QStringLiteral("Unused Installation Packages"));
    for (const auto& category : screen.categories())
        for (const auto& group : category->subcategories())
            for (const auto& item : group->files())
                EXPECT_EQ(item->url.find("cookies"), std::string::npos);

    // A second scan starts afresh.
    screen.rescanButton()->click();
    ASSERT_TRUE(
        waitUntil([&] { return screen.page() == JunkViewController::Page::summary; }, 20000));
    EXPECT_EQ(itemsOf(*screen.resultsScreen()->leftVC->categories[2]).size(), 2u);
}

TEST_F(JunkScreens, StopEndsOnWhatWasFoundSoFar) {
    for (int i = 0; i < 1000; ++i)
        tree.file("home/.local/share/Trash/files/f" + std::to_string(i), "x");
    JunkViewController screen(manager.get());
    screen.show();
    screen.scanButton()->click();
    screen.stopButton()->click();
    EXPECT_FALSE(screen.stopButton()->isEnabled());
    ASSERT_TRUE(
        waitUntil([&] { return screen.page() == JunkViewController::Page::summary; }, 20000));
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
    screen.show();
    screen.scanButton()->click();
    ASSERT_TRUE(
        waitUntil([&] { return screen.page() == JunkViewController::Page::summary; }, 20000));
    EXPECT_TRUE(screen.summaryDetail()->text().contains(QStringLiteral("could not be read")));
    EXPECT_EQ(itemsOf(*screen.resultsScreen()->leftVC->categories[0]).size(), 1u)
        << "the thumbnail folder is still found";
}

}  // namespace
}  // namespace orvane::app
