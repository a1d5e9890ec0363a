#include <gtest/gtest.h>

#include <QAction>
#include <QBarSet>
#include <QChart>
#include <QCheckBox>
#include <QDate>
#include <QMenuBar>
#include <QStackedBarSeries>
#include <QToolBar>
#include <QTreeWidget>
#include <fstream>

#include "app/history/HistoryWindowController.h"
#include "app/preferences/PreferenceViewController.h"
#include "app/shell/MainWindow.h"
#include "app/support/FeedbackWindowController.h"
#include "core/analytics/Analytics.h"
#include "core/analytics/EventLabels.h"
#include "core/analytics/EventRecorder.h"
#include "core/settings/UserDefaults.h"
#include "support/GuiTestSupport.h"
#include "support/TempTree.h"

using namespace orvane::app;
using namespace orvane::analytics;
using orvane::testing::guiApp;
using orvane::testing::ScopedHome;
using orvane::testing::TempTree;
using orvane::testing::waitUntil;

namespace {
std::string removal(const QDate& day, const std::string& module, std::size_t files,
                    std::uint64_t bytes) {
    UsageEvent e;
    e.time = static_cast<double>(day.startOfDay().addSecs(10 * 3600).toSecsSinceEpoch());
    e.category = "Process";
    e.module = module;
    e.action = "RemoveEnd";
    e.labels = labels::removeEnd(files, 0, bytes, 1.0);
    return e.toJsonLine();
}

QBarSet* barSet(HistoryWindowController& window, const QString& name) {
    for (QAbstractSeries* s : window.chart()->series())
        if (auto* bars = qobject_cast<QStackedBarSeries*>(s))
            for (QBarSet* set : bars->barSets())
                if (set->label() == name) return set;
    return nullptr;
}
}  // namespace

class HistoryWindowTest : public ::testing::Test {
protected:
    void SetUp() override { guiApp(); }

    bool open(HistoryWindowController& window) {
        bool loaded = false;
        auto c =
            QObject::connect(&window, &HistoryWindowController::loaded, [&] { loaded = true; });
        window.show();
        const bool ok = waitUntil([&] { return loaded; });
        QObject::disconnect(c);
        return ok;
    }
};

TEST_F(HistoryWindowTest, ChartsSpaceReclaimedPerModuleAndListsTheLastRemovals) {
    TempTree tree;
    const QDate today = QDate::currentDate();
    std::ofstream(tree.path("events.jsonl"))
        << removal(today.addDays(-70), "Cleanup", 9, 900'000'000)
        << removal(today.addDays(-3), "DuplicateFile", 4, 12'500'000) << "{broken\n"
        << removal(today, "DuplicateFile", 2, 2'500'000)
        << removal(today, "Bigfile", 1, 250'000'000);
    HistoryWindowController window(nullptr, {tree.path("events.jsonl")});
    ASSERT_TRUE(open(window));

    EXPECT_TRUE(window.totalsText().contains("Reclaimed 265 MB: 7 files in 3 removals."))
        << window.totalsText().toStdString();
    EXPECT_EQ(window.removalList()->topLevelItemCount(), 3);
    EXPECT_EQ(window.removalList()->topLevelItem(2)->text(1), "Duplicate Files");
    EXPECT_EQ(window.removalList()->topLevelItem(2)->text(2), "4");
    EXPECT_TRUE(window.noteText().contains("1 lines of the history could not be read"));

    ASSERT_EQ(window.chartCategories().size(), 30);
    EXPECT_EQ(window.chartCategories().back(), today.toString("yyyy-MM-dd"));
    QBarSet* duplicates = barSet(window, "Duplicate Files");
    ASSERT_TRUE(duplicates);
    EXPECT_DOUBLE_EQ(duplicates->at(29), 2.5);
    EXPECT_DOUBLE_EQ(duplicates->at(26), 12.5);
    ASSERT_TRUE(barSet(window, "Large Files"));
    EXPECT_DOUBLE_EQ(barSet(window, "Large Files")->at(29), 250.0);
    EXPECT_FALSE(barSet(window, "Junk Files")) << "outside the last 30 days";

    bool loaded = false;
    QObject::connect(&window, &HistoryWindowController::loaded, [&] { loaded = true; });
    window.setRange(HistoryWindowController::Range::allTime);
    ASSERT_TRUE(waitUntil([&] { return loaded; }));
    EXPECT_EQ(window.removalList()->topLevelItemCount(), 4);
    ASSERT_TRUE(barSet(window, "Junk Files"));
    EXPECT_EQ(window.chartCategories().back(), today.toString("yyyy-MM"));
    EXPECT_GE(window.chartCategories().size(), 3);
}

TEST_F(HistoryWindowTest, AnEmptyOrMissingHistorySaysSo) {
    TempTree tree;
    HistoryWindowController window(nullptr, {tree.path("never-written.jsonl")});
    window.setRange(HistoryWindowController::Range::allTime);
    ASSERT_TRUE(open(window));
    EXPECT_TRUE(window.totalsText().startsWith("Nothing removed yet"));
    EXPECT_EQ(window.removalList()->topLevelItemCount(), 0);
    EXPECT_TRUE(window.noteText().contains("Could not read"));
}

TEST_F(HistoryWindowTest, MainWindowOffersHistoryUpdatesAndFeedback) {
    TempTree tree;
    ScopedHome home(tree);
    MainWindow window;
    QAction* history = window.findChild<QAction*>("historyAction");
    ASSERT_TRUE(history);
    EXPECT_TRUE(window.findChild<QAction*>("checkUpdateAction"));
    QAction* feedback = window.findChild<QAction*>("feedBackAction");
    ASSERT_TRUE(feedback);
    QToolBar* bar = window.findChild<QToolBar*>("mainToolBar");
    ASSERT_TRUE(bar);
    EXPECT_TRUE(bar->actions().contains(history));

    history->trigger();
    auto* historyWindow = window.findChild<HistoryWindowController*>();
    ASSERT_TRUE(historyWindow);
    EXPECT_TRUE(historyWindow->isVisible());

    // The feedback window reads the information list built into the program.
    feedback->trigger();
    ASSERT_TRUE(FeedbackManager::window());
    EXPECT_TRUE(FeedbackManager::window()->isVisible());
    EXPECT_EQ(FeedbackManager::window()->config().pid, "orvane-linux");
    EXPECT_EQ(FeedbackManager::window()->helpLinks().size(), 3);
    EXPECT_TRUE(FeedbackManager::window()->helpLinks()[0].endsWith("&v=" ORVANE_VERSION));
    FeedbackManager::window()->close();
}

TEST_F(HistoryWindowTest, PreferencesSwitchTurnsRecordingOff) {
    TempTree tree;
    ScopedHome home(tree);
    auto& defaults = orvane::settings::UserDefaults::standard();
    defaults.setBool(recordUsageEventsKey, true);
    PreferenceViewController::Services services;
    services.plistPath = tree.path("PreferenceInfo.plist");
    services.setLoginItem = [](bool) { return std::string(); };
    PreferenceViewController preferences(services);
    auto* box = preferences.findChild<QCheckBox*>("recordUsageEvents");
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isChecked());

    box->setChecked(false);
    EXPECT_EQ(defaults.boolForKey(recordUsageEventsKey), false);
    EXPECT_FALSE(EventRecorder::shared().isEnabled());
    reportEvent(category::process, module::duplicateFile, action::scanPage, {""});
    EventRecorder::shared().flush();
    EXPECT_FALSE(tree.exists("home/.local/state/com.orvane.app/events.jsonl"));

    box->setChecked(true);
    reportEvent(category::process, module::duplicateFile, action::scanPage, {""});
    EventRecorder::shared().flush();
    EXPECT_TRUE(tree.exists("home/.local/state/com.orvane.app/events.jsonl"));
}
