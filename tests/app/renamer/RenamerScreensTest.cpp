#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "app/renamer/AIRenamerViewController.h"
#include "app/renamer/NoticeStack.h"
#include "app/shell/MainThread.h"
#include "core/renamer/FileRenamer.h"
#include "core/renamer/RenamePreferences.h"
#include "core/settings/UserDefaults.h"
#include "namer/BuiltinNamer.h"
#include "namer/NamerServer.h"
#include "support/RecordedEvents.h"
#include "support/TempTree.h"

using namespace orvane::app;
using orvane::renamer::FileProcessState;
using orvane::testing::ScopedHome;
using orvane::testing::TempTree;

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "test_app_renamer";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

class RenamerScreens : public ::testing::Test {
protected:
    TempTree tree;
    ScopedHome home{tree};
    orvane::namer::NamerServer namer{std::make_shared<orvane::namer::BuiltinNamer>()};
    std::unique_ptr<AIRenamerViewController> screen;

    RenamerScreens() {
        app();
        installQtMainQueue();
        std::string error;
        EXPECT_TRUE(namer.start("127.0.0.1", 0, error)) << error;
        screen = std::make_unique<AIRenamerViewController>(nullptr, namer.baseURL(),
                                                           tree.path("journal"));
        screen->resize(900, 640);
        screen->show();
        screen->notices()->dismissMilliseconds = 60;
    }

    bool waitIdle() {
        return QTest::qWaitFor([&] { return !screen->renamer().isRunning; }, 30000);
    }
};

}  // namespace

TEST_F(RenamerScreens, AddFilesScreenStatesTheLimits) {
    EXPECT_EQ(screen->page(), AIRenamerViewController::Page::add);
    QStringList texts;
    for (auto* l : screen->findChildren<QLabel*>()) texts << l->text();
    EXPECT_TRUE(texts.contains("Image: Max 50MB"));
    EXPECT_TRUE(texts.contains("Text: Max 20MB"));
    EXPECT_NE(screen->findChild<QPushButton*>("renamerChoose"), nullptr);
    EXPECT_FALSE(screen->undoButton()->isEnabled());  // nothing renamed yet
}

TEST_F(RenamerScreens, ChooseFilesOpensAtHomeThenWhereFilesWereLastTaken) {
    const std::string report = tree.file("home/Documents/reports/q1.txt", "Quarterly sales.");
    auto openChooser = [&](const char* button) -> QFileDialog* {
        screen->findChild<QPushButton*>(button)->click();
        QFileDialog* dialog = nullptr;
        const bool open = QTest::qWaitFor([&] {
            dialog = screen->findChild<QFileDialog*>();
            return dialog && dialog->isVisible();
        });
        return open ? dialog : nullptr;
    };
    auto closed = [&] {
        return QTest::qWaitFor([&] { return screen->findChild<QFileDialog*>() == nullptr; });
    };

    // Never the folder the program happened to be started from.
    QFileDialog* dialog = openChooser("renamerChoose");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->directory().absolutePath(), QString::fromStdString(home.home()));
    dialog->selectFile(QString::fromStdString(report));
    static_cast<QDialog*>(dialog)->accept();  // "Open", as the dialog's own button does
    ASSERT_TRUE(closed());
    ASSERT_EQ(screen->renamer().items.size(), 1u);
    EXPECT_EQ(screen->renamer().items[0].filePath, report);

    dialog = openChooser("renamerAddMore");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->directory().absolutePath(),
              QString::fromStdString(tree.path("home/Documents/reports")));
    dialog->reject();
    ASSERT_TRUE(closed());

    // A remembered folder that is gone is not offered.
    std::filesystem::remove_all(tree.path("home/Documents"));
    dialog = openChooser("renamerAddMore");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->directory().absolutePath(), QString::fromStdString(home.home()));
    dialog->reject();
}

TEST_F(RenamerScreens, RefusedFilesShowNoticesSevenAtATime) {
    std::vector<std::string> paths;
    for (int i = 0; i < 10; ++i)
        paths.push_back(tree.file("x/f" + std::to_string(i) + ".odt", "x"));
    screen->dragDrop(paths);
    EXPECT_EQ(screen->page(), AIRenamerViewController::Page::add);  // nothing was added
    EXPECT_EQ(screen->notices()->visibleNotices().size(), 7);
    EXPECT_EQ(screen->notices()->visibleNotices().front(), "f0.odt not supported");
    EXPECT_EQ(screen->notices()->pending(), 3u);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return screen->notices()->visibleNotices().size() == 3; }, 3000));
    EXPECT_EQ(screen->notices()->visibleNotices().back(), "f9.odt not supported");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return screen->notices()->visibleNotices().isEmpty(); }, 3000));

    const std::string txt = tree.file("x/a.txt", "Alpha");
    screen->dragDrop({txt});
    EXPECT_EQ(screen->notices()->visibleNotices(), QStringList{"All files added successfully"});
    screen->dragDrop({txt});
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return screen->notices()->visibleNotices() == QStringList{"a.txt already exists"}; },
        3000));
    EXPECT_EQ(screen->list()->topLevelItemCount(), 1);

    // One event per file offered, with the reason and the page it was offered on.
    std::vector<std::vector<std::string>> offered;
    for (const auto& e : orvane::testing::recordedEvents())
        if (e.action == "AddFiles") offered.push_back(e.labels);
    ASSERT_EQ(offered.size(), 12u);
    EXPECT_EQ(offered[0],
              (std::vector<std::string>{"Drag", "Fail", "Unsupported", "SelectPage", "odt"}));
    EXPECT_EQ(offered[10], (std::vector<std::string>{"Drag", "Success", " ", "SelectPage", "txt"}));
    EXPECT_EQ(offered[11], (std::vector<std::string>{"Drag", "Fail", "Error", "List", "txt"}));
}

TEST_F(RenamerScreens, NamesAreSuggestedEditedAppliedAndUndone) {
    const std::string a = tree.file("d/scan1.txt", "Garden Plan\nroses");
    const std::string b = tree.file("d/scan2.txt", "");
    screen->dragDrop({a, b});
    ASSERT_EQ(screen->page(), AIRenamerViewController::Page::list);
    screen->orderMenu()->setCurrentIndex(0);
    QTest::mouseClick(screen->startButton(), Qt::LeftButton);
    ASSERT_TRUE(waitIdle());
    QTreeWidget* list = screen->list();
    EXPECT_EQ(list->topLevelItem(0)->text(AIRenamerViewController::newNameColumn),
              "Garden Plan.txt");
    EXPECT_EQ(list->topLevelItem(1)->text(AIRenamerViewController::stateColumn),
              "Failed: File content is missing");
    EXPECT_TRUE(list->topLevelItem(0)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(screen->applyButton()->isEnabled());

    // Retry of the failed file once it has content.
    tree.file("d/scan2.txt", "Packing List\nsocks");
    list->setCurrentItem(list->topLevelItem(1));
    ASSERT_TRUE(screen->retryButton()->isEnabled());
    QTest::mouseClick(screen->retryButton(), Qt::LeftButton);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(screen->renamer().items[1].state, FileProcessState::success);

    // What the history sees of it: the list shown, Start pressed, and one result per answer, the
    // empty file failing at reading rather than at the service.
    std::vector<std::string> moments;
    std::vector<std::vector<std::string>> results;
    for (const auto& e : orvane::testing::recordedEvents()) {
        EXPECT_EQ(e.category, "FileRename");
        EXPECT_EQ(e.module, " ");
        moments.push_back(e.action);
        if (e.action == "RenamerResult") results.push_back(e.labels);
        if (e.action == "OptionButton") {
            EXPECT_EQ(e.labels, std::vector<std::string>{"Start"});
        }
    }
    EXPECT_NE(std::find(moments.begin(), moments.end(), "ShowList"), moments.end());
    EXPECT_EQ(std::count(moments.begin(), moments.end(), "OptionButton"), 1);
    EXPECT_EQ(results, (std::vector<std::vector<std::string>>{
                           {"Success", ""}, {"Fail", "Extract"}, {"Success", ""}}));

    // An edited name is used; an unusable one is refused and the suggestion kept.
    list->topLevelItem(0)->setText(AIRenamerViewController::newNameColumn, "My Garden.txt");
    list->topLevelItem(1)->setText(AIRenamerViewController::newNameColumn, "../up");
    EXPECT_EQ(screen->renamer().items[0].newName.value_or(""), "My Garden.txt");
    EXPECT_EQ(screen->renamer().items[1].newName.value_or(""), "Packing List.txt");
    EXPECT_EQ(list->topLevelItem(1)->text(AIRenamerViewController::newNameColumn),
              "Packing List.txt");

    // The modifications of the second file after it was added stop its rename.
    QTest::mouseClick(screen->applyButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return screen->page() == AIRenamerViewController::Page::summary; }, 10000));
    EXPECT_TRUE(tree.exists("d/My Garden.txt"));
    EXPECT_TRUE(tree.exists("d/scan2.txt"));
    EXPECT_EQ(screen->summaryCount()->text(), "Total Files: 1");
    EXPECT_EQ(screen->failureList()->topLevelItemCount(), 1);
    EXPECT_EQ(screen->failureList()->topLevelItem(0)->text(1),
              "The file has changed since it was added.");

    QTest::mouseClick(screen->findChild<QPushButton*>("renamerUndoAfter"), Qt::LeftButton);
    EXPECT_TRUE(tree.exists("d/scan1.txt"));
    EXPECT_FALSE(tree.exists("d/My Garden.txt"));
}

TEST_F(RenamerScreens, AllNamedGivesRenamedSuccessfullyAndSettingsAreSaved) {
    screen->dragDrop(
        {tree.file("e/one.md", "# Trip Notes\n"), tree.file("e/two.json", "{\"title\":1}")});
    screen->languageMenu()->setCurrentIndex(screen->languageMenu()->findData("de"));
    screen->orderMenu()->setCurrentIndex(6);
    auto& defaults = orvane::settings::UserDefaults::standard();
    defaults.reload();
    EXPECT_EQ(orvane::renamer::RenamePreferences::getSettingValue(defaults), "de");
    EXPECT_EQ(
        orvane::renamer::formateNum(orvane::renamer::RenamePreferences::getSettingValue2(defaults)),
        7);
    screen->orderMenu()->setCurrentIndex(0);
    screen->startRenaming();
    ASSERT_TRUE(waitIdle());
    screen->applyNames();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return screen->page() == AIRenamerViewController::Page::summary; }, 10000));
    EXPECT_EQ(screen->summaryTitle()->text(), "Renamed Successfully");
    EXPECT_EQ(screen->summaryCount()->text(), "Total Files: 2");
    EXPECT_TRUE(tree.exists("e/Trip Notes.md"));
}
