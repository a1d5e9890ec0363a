#include <gtest/gtest.h>

#include <filesystem>

#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "AppScreensFixture.h"
#include "app/apps/AppCleaningLogDialog.h"
#include "app/apps/AppListModel.h"
#include "app/apps/AppManageResultViewController.h"
#include "app/apps/AppManageViewController.h"
#include "app/apps/AppRemovalConfirmation.h"
#include "app/apps/AppUpdatesView.h"
#include "core/apps/AppFixtures.h"
#include "core/apps/AppManager.h"
#include "core/apps/FakeTools.h"
#include "support/RecordedEvents.h"

namespace orvane::app {
namespace {

using apps::testing::FakeTools;
using apps::testing::LinuxMachine;
using orvane::testing::waitUntil;
using Page = AppManageViewController::Page;

// A user's flatpak with its data, an AppImage with settings, and the leftovers of a removed
// tool; the package tools are stand-ins that record their calls.
class AppRemovalScreensTest : public testing::AppScreens {
protected:
    void SetUp() override {
        AppScreens::SetUp();
        paint = machine.flatpakApp("org.example.Paint", "Paint", "3.1", 5'000'000, true);
        machine.tree.fileOfSize("root/home/ann/.var/app/org.example.Paint/config/a", 1000);
        machine.appImage("Applications/Krita-5.2.2-x86_64.AppImage", true, 50'000);
        machine.tree.fileOfSize("root/home/ann/.config/krita/kritarc", 2000);
        machine.tree.fileOfSize("root/home/ann/.config/org.gone.Tool/x", 3000);
        machine.tree.fileOfSize("root/home/ann/.cache/org.gone.Tool/y", 4000);
    }

    void scan(AppManageViewController& screen) {
        AppScreens::scan(screen);
        // Scanning reads dpkg; the stand-ins take over PATH only afterwards.
        tools = std::make_unique<FakeTools>(machine.tree.path("bin"));
        tools->install("flatpak");
    }

    apps::AppModelPtr app(apps::AppManager& manager, const std::string& id) {
        for (const auto* list : {&manager.apps, &manager.residualApps})
            for (const apps::AppModelPtr& a : *list)
                if (a->bundleID == id) return a;
        return nullptr;
    }

    static apps::AptRemovalPlan noPackages() {
        apps::AptRemovalPlan plan;
        plan.ok = true;
        return plan;
    }

    LinuxMachine machine;  // its home holds the usage events the screens record
    std::string paint;
    std::unique_ptr<FakeTools> tools;
};

TEST_F(AppRemovalScreensTest, UninstallAsksNamingWhatGoesThenShowsTheResultAndItsLog) {
    apps::AppManager manager(machine.layout());
    AppManageViewController screen(&manager);
    scan(screen);
    tools->onCall("flatpak", "uninstall --user --noninteractive --delete-data org.example.Paint",
                  "rm -rf '" + paint + "'\n");
    apps::AppModelPtr p = app(manager, "org.example.Paint");
    ASSERT_TRUE(p);
    p->setItemState(true);

    std::unique_ptr<AppRemovalConfirmation> dialog(screen.confirmRemoval(false, noPackages()));
    ASSERT_TRUE(dialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    EXPECT_TRUE(dialog->question()->text().startsWith("Uninstall 1 application and remove 2 items"))
        << dialog->question()->text().toStdString();
    QTreeWidget* list = dialog->list();
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "Paint");
    ASSERT_EQ(list->topLevelItem(0)->childCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->child(0)->text(2), "removed by flatpak");
    EXPECT_EQ(list->topLevelItem(0)->child(1)->text(2), "deleted by Orvane");
    EXPECT_FALSE(dialog->aptNote()->isVisibleTo(dialog.get())) << "no packages, no apt";
    EXPECT_TRUE(tools->calls().empty()) << "asking touches nothing";
    dialog->confirmButton()->click();

    EXPECT_EQ(screen.page(), Page::managing);
    EXPECT_EQ(screen.managingTitle()->text(), "Uninstall Applications");
    ASSERT_TRUE(waitUntil([&] { return screen.page() == Page::finished; }, 15000));
    EXPECT_EQ(screen.finishedTitle()->text(), "Uninstallation Complete");
    EXPECT_EQ(screen.finishedSummary()->text(), "Successfully uninstalled 1 app(s) and 0 item(s)");
    EXPECT_EQ(screen.moreButton()->text(), "Uninstall More Apps");
    EXPECT_EQ(screen.managingProgress()->value(), 2);
    EXPECT_EQ(tools->calls(),
              (std::vector<std::string>{
                  "flatpak uninstall --user --noninteractive --delete-data org.example.Paint"}));

    std::unique_ptr<AppCleaningLogDialog> log(screen.cleaningLog());
    ASSERT_TRUE(log);
    log->setAttribute(Qt::WA_DeleteOnClose, false);
    EXPECT_EQ(log->windowTitle(), "Cleaning Log");
    ASSERT_EQ(log->tree()->topLevelItemCount(), 1);
    EXPECT_EQ(log->tree()->topLevelItem(0)->text(0), "Paint");
    EXPECT_EQ(log->tree()->topLevelItem(0)->text(2), "Succeeded");

    screen.moreButton()->click();
    EXPECT_EQ(screen.page(), Page::results);
    EXPECT_FALSE(app(manager, "org.example.Paint")) << "gone from the list";
    EXPECT_EQ(screen.resultView()->listModel()->rowCount(), 1);
}

TEST_F(AppRemovalScreensTest, AFailedItemIsMarkedAndItsReasonIsInTheLog) {
    apps::AppManager manager(machine.layout());
    AppManageViewController screen(&manager);
    scan(screen);
    tools->answer("flatpak", "uninstall --user --noninteractive org.example.Paint", "", 1,
                  "error: Refusing to operate on a user installation as root!\n");
    apps::AppModelPtr p = app(manager, "org.example.Paint");
    ASSERT_TRUE(p);
    p->appFiles[0]->selected = true;
    screen.startRemoval(false);
    ASSERT_TRUE(waitUntil([&] { return screen.page() == Page::finished; }, 15000));
    EXPECT_TRUE(screen.finishedSummary()->text().contains("Cleaning Log says why"));
    std::unique_ptr<AppCleaningLogDialog> log(screen.cleaningLog());
    log->setAttribute(Qt::WA_DeleteOnClose, false);
    QTreeWidgetItem* row = log->tree()->topLevelItem(0);
    EXPECT_EQ(row->text(2), "1 failed");
    EXPECT_EQ(row->child(0)->text(2), "Refusing to operate on a user installation as root!");
}

TEST_F(AppRemovalScreensTest, LeftoversAreCountedAsItemsAndCleaned) {
    apps::AppManager manager(machine.layout());
    AppManageViewController screen(&manager);
    scan(screen);
    AppManageResultViewController* result = screen.resultView();
    result->residualTab()->click();
    EXPECT_EQ(result->removeButton()->text(), "Remove Leftovers");
    ASSERT_TRUE(waitUntil([&] { return result->listModel()->rowCount() == 1; }));
    ASSERT_TRUE(result->listModel()->setData(result->listModel()->index(0, AppListModel::name),
                                             Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(result->selectionLabel()->text().startsWith("Selected: 2"))
        << "items, never an app";
    screen.startRemoval(true);
    EXPECT_EQ(screen.managingTitle()->text(), "Clean Leftover Files");
    ASSERT_TRUE(waitUntil([&] { return screen.page() == Page::finished; }, 15000));
    EXPECT_EQ(screen.finishedTitle()->text(), "Cleanup Complete");
    EXPECT_EQ(screen.finishedSummary()->text(), "Successfully cleaned 2 item(s)");
    EXPECT_FALSE(machine.tree.exists("root/home/ann/.config/org.gone.Tool"));
    EXPECT_TRUE(machine.tree.exists("root/home/ann/.config/krita/kritarc"));

    // The scan's four events, then the leftover removal's start and end.
    const auto events = orvane::testing::recordedEvents();
    EXPECT_EQ(
        orvane::testing::eventMoments(events),
        (std::vector<std::string>{"Process/AppManage/StartScan", "Process/AppManage/ScanPage",
                                  "AppManage//ScanApp", "Process/AppManage/ScanEnd",
                                  "Process/AppManage/RemoveStart", "Process/AppManage/RemoveEnd"}));
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[1].labels, std::vector<std::string>{"nil"});
    EXPECT_EQ(events[2].labels, std::vector<std::string>{" "});
    ASSERT_EQ(events[3].labels.size(), 3u);
    EXPECT_TRUE(events[3].labels[0].ends_with("秒"));
    EXPECT_NE(events[3].labels[1], "0KB") << "the fixture's applications have a size";
    EXPECT_EQ(events[3].labels[2], "Finish");
    const std::vector<std::string> leftover{" ", " ", " ", "", "Leftover"};
    EXPECT_EQ(events[4].labels, leftover);
    EXPECT_EQ(events[5].labels, leftover);
}

TEST_F(AppRemovalScreensTest, LeavingTheListsAsksFirstAndRecordsTheAnswer) {
    apps::AppManager manager(machine.layout());
    AppManageViewController screen(&manager);
    std::vector<bool> answers;
    const auto leave = [&] { screen.backToHome([&](bool yes) { answers.push_back(yes); }); };

    // Nothing scanned yet: nothing to lose, no question.
    leave();
    EXPECT_EQ(answers, std::vector<bool>{true});
    EXPECT_EQ(orvane::testing::openMessageBox(), nullptr);

    scan(screen);
    const std::size_t before = orvane::testing::recordedEvents().size();
    leave();
    QMessageBox* box = orvane::testing::waitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), "The scanning results won't be saved if you go Back.");
    QStringList buttons;
    for (QAbstractButton* b : box->buttons()) buttons << b->text();
    buttons.sort();
    EXPECT_EQ(buttons, QStringList({"Cancel", "Yes"}));
    leave();  // asked again while the question is open: the open one decides
    ASSERT_TRUE(orvane::testing::answerMessageBox("Cancel"));
    EXPECT_EQ(answers, (std::vector<bool>{true, false}));
    EXPECT_EQ(screen.page(), Page::results) << "the lists stay after Cancel";

    leave();
    ASSERT_TRUE(orvane::testing::answerMessageBox("Yes"));
    EXPECT_EQ(answers, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(screen.page(), Page::start);

    auto events = orvane::testing::recordedEvents();
    ASSERT_EQ(events.size(), before + 2);
    EXPECT_EQ(orvane::testing::eventMoments(events)[before], "Operational/AppManage/SCwindow");
    EXPECT_EQ(events[before].labels, std::vector<std::string>{"Cancel"});
    EXPECT_EQ(orvane::testing::eventMoments(events)[before + 1], "Operational/AppManage/SCwindow");
    EXPECT_EQ(events[before + 1].labels, std::vector<std::string>{"Confirm"});

    // A machine without applications or leftovers: leaving answers at once.
    LinuxMachine bare;
    apps::AppManager bareManager(bare.layout());
    AppManageViewController bareScreen(&bareManager);
    scan(bareScreen);
    answers.clear();
    bareScreen.backToHome([&](bool yes) { answers.push_back(yes); });
    EXPECT_EQ(answers, std::vector<bool>{true});
    EXPECT_EQ(orvane::testing::openMessageBox(), nullptr);
    EXPECT_EQ(bareScreen.page(), Page::start);
    for (const auto& e : orvane::testing::recordedEvents())
        EXPECT_NE(e.action, "SCwindow") << "nothing was asked, so nothing was answered";
}

TEST_F(AppRemovalScreensTest, TheUpdateTabListsStoreUpdatesAndUpdatesOneOrAll) {
    apps::AppManager manager(machine.layout());
    AppManageViewController screen(&manager);
    scan(screen);
    const std::string columns = "--app --columns=application,version,branch,origin,download-size";
    tools->answer("flatpak", "remote-ls --updates --user " + columns,
                  "org.example.Paint\t3.2\tstable\tflathub\t4.1 MB\n");
    tools->answer("flatpak", "remote-ls --updates --system " + columns, "");
    // The update takes a moment, so a stop can come while it runs.
    tools->onCall("flatpak", "update --user --noninteractive org.example.Paint", "sleep 1\n");

    AppManageResultViewController* result = screen.resultView();
    result->updatesTab()->click();
    AppUpdatesView* updates = result->updatesView();
    ASSERT_TRUE(waitUntil([&] { return updates->list()->topLevelItemCount() == 1; }, 15000));
    EXPECT_EQ(updates->list()->topLevelItem(0)->text(0), "Paint");
    EXPECT_EQ(updates->list()->topLevelItem(0)->text(1), "3.1 → 3.2");
    EXPECT_EQ(updates->detailValue(0)->text(), "3.1");
    EXPECT_EQ(updates->detailValue(1)->text(), "3.2");
    EXPECT_EQ(updates->detailValue(3)->text(), "4.1 MB");
    EXPECT_FALSE(updates->updateSelectedButton()->isEnabled());
    EXPECT_EQ(updates->selectionLabel()->text(), "0 app selected");

    ASSERT_TRUE(updates->updateButton(0));
    updates->updateButton(0)->click();
    EXPECT_EQ(screen.page(), Page::managing);
    EXPECT_EQ(screen.managingTitle()->text(), "Update Apps");
    // The stop must come while the update runs, not before the worker has picked it up.
    ASSERT_TRUE(
        waitUntil([&] { return screen.managingCurrent()->text() == "Updating Paint..."; }, 15000));
    QTimer::singleShot(0, [] { orvane::testing::answerMessageBox("Yes"); });
    screen.cancelRun();  // asked, answered Yes: the update in progress still finishes
    ASSERT_TRUE(waitUntil([&] { return screen.page() == Page::finished; }, 15000));
    EXPECT_EQ(screen.finishedTitle()->text(), "Update Complete");
    EXPECT_EQ(screen.finishedSummary()->text(), "1 app(s) updated successfully");
    EXPECT_FALSE(screen.cleaningLogButton()->isVisible());
    EXPECT_EQ(screen.moreButton()->text(), "Update More Apps");
    EXPECT_EQ(tools->calls().back(), "flatpak update --user --noninteractive org.example.Paint");
    for (const auto& e : orvane::testing::recordedEvents())
        EXPECT_TRUE(e.action != "RemoveStart" && e.action != "RemoveEnd")
            << "an update run is no removal";
}

// apt takes its time to resolve a removal; the window must not freeze meanwhile.
TEST_F(AppRemovalScreensTest, AptIsAskedOffTheGuiThreadAndItsRefusalsReachTheConfirmation) {
    machine.debApp("fooedit", "fooedit", "Foo Edit", "1.0-1", 100);
    machine.debApp("libbar-gui", "bar", "Bar", "2.0-1", 200);
    apps::AppManager manager(machine.layout());
    AppManageViewController screen(&manager);
    scan(screen);
    tools->install("apt-get");
    tools->onCall("apt-get", "-s remove libbar-gui fooedit", "sleep 2\n");
    tools->answer("apt-get", "-s remove libbar-gui fooedit",
                  "Remv bar-plugins [2.0-1]\nRemv fooedit [1.0-1]\nRemv libbar-gui [2.0-1]\n");
    tools->answer("apt-get", "-s remove fooedit", "Remv fooedit [1.0-1]\n");
    tools->answer("apt-get", "-s remove libbar-gui",
                  "Remv bar-plugins [2.0-1]\nRemv libbar-gui [2.0-1]\n");
    for (const char* id : {"fooedit", "bar"}) {
        ASSERT_TRUE(app(manager, id)) << id;
        app(manager, id)->setItemState(true);
    }

    int ticks = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] { ++ticks; });
    heartbeat.start(20);
    QElapsedTimer clock;
    clock.start();
    screen.removeSelected(false);
    EXPECT_LT(clock.elapsed(), 1000) << "the click returns before apt answers";
    EXPECT_TRUE(screen.isAskingApt());
    EXPECT_EQ(screen.page(), Page::managing);
    EXPECT_EQ(screen.managingCurrent()->text(), "Asking apt what it would remove...");
    EXPECT_EQ(screen.managingProgress()->maximum(), 0) << "a busy bar while apt resolves";
    EXPECT_TRUE(screen.managingCancel()->isEnabled());

    AppRemovalConfirmation* dialog = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] { return (dialog = screen.findChild<AppRemovalConfirmation*>()) != nullptr; }, 15000));
    const qint64 waited = clock.elapsed();
    heartbeat.stop();
    EXPECT_GE(waited, 2000) << "the slow simulation was waited for";
    // A blocked GUI thread would fire the 20 ms timer once or twice in those two seconds; a
    // live one about a hundred times, fewer on a loaded machine.
    EXPECT_GT(ticks, 10) << "the event loop kept running while apt worked: " << ticks;
    EXPECT_FALSE(screen.isAskingApt());
    EXPECT_EQ(screen.page(), Page::results);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->aptNote()->text().contains(
        "Not removed: libbar-gui. Other installed packages depend on it: bar-plugins."))
        << dialog->aptNote()->text().toStdString();
    EXPECT_TRUE(dialog->aptNote()->text().contains("apt will remove: fooedit"))
        << dialog->aptNote()->text().toStdString();
    EXPECT_EQ(tools->calls(),
              (std::vector<std::string>{"apt-get -s remove libbar-gui fooedit",
                                        "apt-get -s remove libbar-gui", "apt-get -s remove fooedit",
                                        "apt-get -s remove fooedit"}));
    dialog->reject();
}

TEST_F(AppRemovalScreensTest, CancelWhileAptIsAskedStopsItAndRemovesNothing) {
    const std::string entry = machine.debApp("fooedit", "fooedit", "Foo Edit", "1.0-1", 100);
    apps::AppManager manager(machine.layout());
    AppManageViewController screen(&manager);
    scan(screen);
    tools->install("apt-get");
    // exec: the stop reaches the sleeping process itself, as it would reach apt.
    tools->onCall("apt-get", "-s remove fooedit", "exec sleep 30\n");
    ASSERT_TRUE(app(manager, "fooedit"));
    app(manager, "fooedit")->setItemState(true);

    screen.removeSelected(false);
    ASSERT_TRUE(screen.isAskingApt());
    ASSERT_TRUE(waitUntil([&] { return !tools->calls().empty(); }, 5000)) << "apt was started";
    QElapsedTimer clock;
    clock.start();
    screen.managingCancel()->click();  // no question: nothing was removed yet
    EXPECT_FALSE(screen.isAskingApt());
    EXPECT_EQ(screen.page(), Page::results);
    manager.waitUntilWorkFinished();
    EXPECT_LT(clock.elapsed(), 10000) << "the simulation was stopped, not waited out";
    QCoreApplication::processEvents();
    EXPECT_FALSE(
        waitUntil([&] { return screen.findChild<AppRemovalConfirmation*>() != nullptr; }, 300))
        << "a stopped question opens no confirmation";
    EXPECT_TRUE(std::filesystem::exists(entry));
    EXPECT_EQ(tools->calls(), (std::vector<std::string>{"apt-get -s remove fooedit"}));
}

}  // namespace
}  // namespace orvane::app
