#include <gtest/gtest.h>

#include <QTest>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <thread>

#include "AppScreensFixture.h"
#include "app/apps/AppDetailsView.h"
#include "app/apps/AppListModel.h"
#include "app/apps/AppManageResultViewController.h"
#include "app/apps/AppManageViewController.h"
#include "app/shell/MainThread.h"
#include "app/shell/ModuleScreens.h"
#include "core/apps/AppFixtures.h"
#include "core/apps/AppManager.h"

namespace orvane::app {
namespace {

using apps::testing::LinuxMachine;
using apps::testing::MacTree;
using orvane::testing::waitUntil;

QStringList names(const AppListModel& model) {
    QStringList out;
    for (int row = 0; row < model.rowCount(); ++row)
        out << model.data(model.index(row, AppListModel::name), Qt::DisplayRole).toString();
    return out;
}

using AppScreensTest = testing::AppScreens;

TEST_F(AppScreensTest, TheModuleListShowsAppManagement) {
    EXPECT_TRUE(hasModuleScreen(ModuleType::appManage));
}

TEST_F(AppScreensTest, ScanListsAppsWithTheirFilesByKindAndCheckBoxes) {
    LinuxMachine machine;
    machine.flatpakApp("org.example.Paint", "Paint", "3.1", 5'000'000, true);
    machine.appImage("Applications/Krita-5.2.2-x86_64.AppImage", true, 50'000);
    machine.tree.file("root/home/ann/.local/share/applications/handmade.desktop",
                      LinuxMachine::entry("Hand Made", "/opt/handmade/run"));
    machine.tree.fileOfSize("root/home/ann/.var/app/org.example.Paint/config/a", 1000);
    machine.tree.fileOfSize("root/home/ann/.var/app/org.example.Paint/cache/b", 90'000);
    machine.tree.fileOfSize("root/home/ann/.config/org.gone.Tool/x", 3000);
    apps::AppManager manager(machine.layout());
    AppManageViewController screen(&manager);
    EXPECT_EQ(screen.page(), AppManageViewController::Page::start);
    scan(screen);

    AppManageResultViewController* result = screen.resultView();
    EXPECT_EQ(result->appsTab()->text(), "Applications (3)");
    EXPECT_EQ(result->residualTab()->text(), "Leftovers (1)");
    ASSERT_TRUE(waitUntil([&] {
        return names(*result->listModel()) == QStringList({"Hand Made", "Krita", "Paint"});
    }));

    // The details of Paint: its install and sandbox folders by kind, with sizes.
    result->selectRow(2);
    AppDetailsView* details = result->details();
    EXPECT_EQ(details->nameLabel()->text(), "Paint");
    EXPECT_TRUE(details->infoLabel()->text().contains("Version 3.1"));
    EXPECT_TRUE(details->infoLabel()->text().contains("Flatpak"));
    QTreeWidget* tree = details->fileTree();
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "Application");
    EXPECT_EQ(tree->topLevelItem(0)->text(1), "5 MB");
    EXPECT_EQ(tree->topLevelItem(1)->text(0), "Preferences");
    EXPECT_EQ(tree->topLevelItem(2)->text(0), "Caches and Other Files");
    EXPECT_EQ(tree->topLevelItem(2)->child(0)->text(0), "~/.var/app/org.example.Paint/cache");
    EXPECT_TRUE(tree->topLevelItem(2)->child(0)->toolTip(0).startsWith("/"));

    // Ticking the app ticks every file; clearing one file leaves the app partly ticked.
    AppListModel* model = result->listModel();
    const QModelIndex paint = model->index(2, AppListModel::name);
    ASSERT_TRUE(model->setData(paint, Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(tree->topLevelItem(1)->child(0)->checkState(0), Qt::Checked);
    EXPECT_TRUE(result->selectionLabel()->text().startsWith("1 app selected"))
        << "an app ticked whole counts as the app";
    EXPECT_TRUE(result->removeButton()->isEnabled());
    tree->topLevelItem(2)->child(0)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(model->data(paint, Qt::CheckStateRole).toInt(), Qt::PartiallyChecked);
    EXPECT_TRUE(result->selectionLabel()->text().startsWith("2 items selected"));
    EXPECT_FALSE(manager.apps.empty());
    EXPECT_FALSE(model->appAt(2)->otherFiles[0]->selected);
    tree->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    tree->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(model->data(paint, Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_EQ(result->selectionLabel()->text(), "0 app selected");
    EXPECT_FALSE(result->removeButton()->isEnabled());

    // The sort menu re-orders the list (off the GUI thread) and keeps the app picked.
    QAction* bySize = nullptr;
    for (QAction* action : result->sortButton()->menu()->actions())
        if (action->text() == "Size (Largest First)") bySize = action;
    ASSERT_TRUE(bySize);
    bySize->trigger();
    ASSERT_TRUE(waitUntil([&] {
        return names(*model) == QStringList({"Paint", "Krita", "Hand Made"});
    }));
    EXPECT_EQ(result->sortButton()->text(), "Sort by: Size (Largest First)");
    EXPECT_EQ(details->nameLabel()->text(), "Paint");

    // The leftovers of the removed tool.
    result->residualTab()->click();
    ASSERT_TRUE(waitUntil([&] { return names(*model) == QStringList({"Tool"}); }));
    EXPECT_TRUE(result->listView()->isColumnHidden(AppListModel::lastUsed));
    result->selectRow(0);
    EXPECT_TRUE(details->infoLabel()->text().startsWith("Leftovers of a removed application"));
    ASSERT_EQ(details->fileTree()->topLevelItemCount(), 1);
    EXPECT_EQ(details->fileTree()->topLevelItem(0)->text(0), "Preferences");
}

TEST_F(AppScreensTest, ALongPlaceIsShortenedToTheDetailsPaneNotCutOff) {
    LinuxMachine machine;
    const std::string id = "org.example.AnApplicationWithAVeryLongIdentifierIndeed.Editor";
    machine.flatpakApp(id, "Editor", "1.0", 1'000'000, true);
    apps::AppManager manager(machine.layout());
    AppManageViewController screen(&manager);
    screen.resize(1024 - 210, 600);  // what a 1024-wide window leaves beside the module list
    screen.show();
    scan(screen);
    AppManageResultViewController* result = screen.resultView();
    ASSERT_TRUE(waitUntil([&] { return result->listModel()->rowCount() == 1; }));
    result->selectRow(0);
    QTest::qWait(20);
    AppDetailsView* details = result->details();
    QLabel* where = details->whereLabel();
    ASSERT_TRUE(where->isVisible());
    EXPECT_TRUE(where->toolTip().contains(QString::fromStdString(id)));
    EXPECT_TRUE(where->text().contains(QChar(0x2026))) << where->text().toStdString();
    EXPECT_LE(where->fontMetrics().horizontalAdvance(where->text()), where->width());
    EXPECT_LE(where->mapTo(details, QPoint(where->width(), 0)).x(), details->width())
        << "the label ends inside the pane";

    screen.resize(2600, 700);
    QTest::qWait(20);
    EXPECT_FALSE(where->text().contains(QChar(0x2026))) << "room enough: the whole place";
}

TEST_F(AppScreensTest, EmptyListsSayWhatWasLookedFor) {
    LinuxMachine machine;
    apps::AppManager manager(machine.layout());
    AppManageViewController screen(&manager);
    scan(screen);
    AppManageResultViewController* result = screen.resultView();
    EXPECT_EQ(result->listStack()->currentIndex(), 1);
    EXPECT_EQ(result->emptyTitle()->text(), "No Applications Found");
    EXPECT_EQ(result->details()->hintLabel()->isVisible(), true);
    result->residualTab()->click();
    ASSERT_TRUE(waitUntil([&] { return result->emptyTitle()->text() == "No Leftovers Found"; }));
}

TEST_F(AppScreensTest, ScanningShowsEachAppAndStopKeepsWhatWasScanned) {
    MacTree mac;
    for (const char* id : {"com.example.a", "com.example.b", "com.example.c"}) {
        const std::string name = std::string(id).substr(12);
        mac.index(id, {mac.bundle("Applications/" + name + ".app", id)});
    }
    mac.tree.file("index/com.example.b.wait", "");
    apps::AppManager manager(mac.layout());
    AppManageViewController screen(&manager);
    screen.show();
    screen.scanButton()->click();
    EXPECT_EQ(screen.page(), AppManageViewController::Page::scanning);
    ASSERT_TRUE(waitUntil(
        [&] { return mac.tree.exists("started") && screen.scanProgress()->value() == 1; }, 15000));
    EXPECT_EQ(screen.scanCount()->text(), "1 of 3 applications");
    EXPECT_TRUE(screen.scanCurrent()->text().startsWith("a  ·  "));
    screen.stopButton()->click();
    EXPECT_FALSE(screen.stopButton()->isEnabled());
    mac.tree.file("release", "");
    ASSERT_TRUE(
        waitUntil([&] { return screen.page() == AppManageViewController::Page::results; }, 15000));
    EXPECT_EQ(screen.resultView()->listModel()->rowCount(), 2);
    EXPECT_TRUE(screen.resultView()->noticeLabel()->isVisible());
    EXPECT_EQ(screen.resultView()->noticeLabel()->text(),
              "The scan was stopped: the list is incomplete.");
}

}  // namespace
}  // namespace orvane::app
