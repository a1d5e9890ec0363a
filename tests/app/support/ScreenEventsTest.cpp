#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>

#include "app/common/ScanningViewController.h"
#include "app/common/SinglePathSelectViewController.h"
#include "app/duplicates/DuplicatFilesViewController.h"
#include "app/duplicates/DuplicateResultView.h"
#include "app/duplicates/ScanFileResultViewController.h"
#include "app/largefiles/LargeFilesConfirmWindowController.h"
#include "app/largefiles/LargeFilesModels.h"
#include "app/largefiles/LargeFilesResultViewController.h"
#include "app/largefiles/LargeFilesViewController.h"
#include "app/shell/LeftListViewController.h"
#include "app/shell/MainThread.h"
#include "app/shell/MainViewController.h"
#include "app/shell/MainWindow.h"
#include "app/shell/ModuleScreens.h"
#include "core/analytics/EventRecorder.h"
#include "core/analytics/UsageEvent.h"
#include "core/duplicates/ScanManager.h"
#include "core/largefiles/LargeFilesManager.h"
#include "core/settings/PerferenceInfo.h"
#include "platform/Layout.h"
#include "platform/mac/FolderTrash.h"
#include "support/GuiTestSupport.h"
#include "support/ModuleWindow.h"
#include "support/RecordedEvents.h"
#include "support/TempTree.h"

using namespace orvane::app;
using namespace orvane::testing;
using orvane::analytics::UsageEvent;

namespace {
std::vector<UsageEvent> recorded() { return recordedEvents(); }
std::vector<std::string> moments(const std::vector<UsageEvent>& events) {
    return eventMoments(events);
}

const UsageEvent* find(const std::vector<UsageEvent>& events, const std::string& action) {
    for (const auto& e : events)
        if (e.action == action) return &e;
    return nullptr;
}

}  // namespace

class DuplicateScreenEvents : public ::testing::Test {
protected:
    void SetUp() override {
        guiApp();
        orvane::duplicates::ScanManager::Environment env;
        env.layout = orvane::platform::Layout::linuxLayout();
        env.walkerThreads = 2;
        manager = orvane::duplicates::ScanManager::create(env);
        overrideModuleScreen(ModuleType::duplicateFiles, [this]() -> ModuleBaseViewController* {
            return new DuplicatFilesViewController(manager);
        });
        tree.file("scan/docs/a-report.txt", std::string(500'000, 'r'));
        tree.file("scan/docs/old/b-report.txt", std::string(500'000, 'r'));
        tree.file("scan/c-report.txt", std::string(500'000, 'r'));
        tree.file("scan/alone.txt", std::string(4000, 'x'));
    }
    void TearDown() override {
        orvane::testing::rejectOpenMessageBoxes();
        overrideModuleScreen(ModuleType::duplicateFiles, nullptr);
    }

    TempTree tree;
    ScopedHome home{tree};
    std::shared_ptr<orvane::duplicates::ScanManager> manager;
};

TEST_F(DuplicateScreenEvents, EachStepOfAScanAndARemovalIsRecordedAtItsMoment) {
    MainWindow window;
    window.show();
    auto* module = openModule<DuplicatFilesViewController>(window, 2, ModuleType::duplicateFiles);
    ASSERT_TRUE(module);
    const std::string folder = tree.path("scan");
    module->pathSelect()->chooser = [folder](QWidget*, bool) {
        return std::vector<std::string>{folder};
    };
    module->pathSelect()->chooseFolder();
    EXPECT_TRUE(recorded().empty()) << "choosing a folder is no event";

    module->pathSelect()->scanButton()->click();
    ScanFileResultViewController* result = module->resultScreen();
    ASSERT_TRUE(waitUntil(
        [&] {
            return result->displayType() == DisplayViewType::displayViewTypeScanFinished &&
                   !module->isShowingPathSelect();
        },
        20000));
    auto events = recorded();
    ASSERT_EQ(moments(events), (std::vector<std::string>{"Process/DuplicateFile/StartScan",
                                                         "Process/DuplicateFile/ScanPage",
                                                         "Process/DuplicateFile/ScanEnd"}));
    EXPECT_EQ(events[0].labels, (std::vector<std::string>{folder, "1"}));
    EXPECT_EQ(events[1].labels, std::vector<std::string>{""});
    ASSERT_EQ(events[2].labels.size(), 3u);
    EXPECT_TRUE(events[2].labels[0].ends_with("秒"));
    EXPECT_EQ(events[2].labels[1], "1.50MB");  // three copies of 500,000 bytes
    EXPECT_EQ(events[2].labels[2], "Finish");

    DuplicateResultView* view = result->resultView();
    menuAction(view->sortButton(), "Sort by Quantity")->trigger();
    menuAction(view->sortButton(), "Name")->trigger();
    events = recorded();
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(moments(events)[3], "Operational/DuplicateFile/Sort");
    EXPECT_EQ(events[3].labels, std::vector<std::string>{"amount"});
    EXPECT_EQ(events[4].labels, std::vector<std::string>{"FileName"});

    menuAction(view->selectButton(), "Auto select")->trigger();
    view->rebuildRemoveMenu();
    view->removeMenu()->actions()[1]->trigger();  // for good
    ASSERT_TRUE(answerMessageBox("Cancel"));
    EXPECT_EQ(recorded().size(), 5u) << "a removal the user cancelled sends nothing";
    view->removeMenu()->actions()[1]->trigger();
    ASSERT_TRUE(answerMessageBox("Delete"));
    ASSERT_TRUE(waitUntil(
        [&] { return result->displayType() == DisplayViewType::displayViewTypeRemoveFinished; },
        20000));
    events = recorded();
    ASSERT_EQ(events.size(), 8u);
    EXPECT_EQ(moments(events)[5], "Operational/DuplicateFile/RemovalMethod");
    EXPECT_EQ(events[5].labels, std::vector<std::string>{"Direct"});
    EXPECT_EQ(moments(events)[6], "Process/DuplicateFile/RemoveStart");
    EXPECT_EQ(events[6].labels, (std::vector<std::string>{"2", "1.00MB"}));
    EXPECT_EQ(moments(events)[7], "Process/DuplicateFile/RemoveEnd");
    ASSERT_EQ(events[7].labels.size(), 4u);
    EXPECT_EQ(events[7].labels[0], "2");
    EXPECT_EQ(events[7].labels[1], "0");
    EXPECT_EQ(events[7].labels[2], "1.00MB");
}

TEST_F(DuplicateScreenEvents, LeavingAndStoppingSheetsRecordTheAnswer) {
    MainWindow window;
    window.show();
    auto* module = openModule<DuplicatFilesViewController>(window, 2, ModuleType::duplicateFiles);
    ASSERT_TRUE(module);
    chooseAndScan(*module, tree.path("scan"));
    ASSERT_TRUE(waitUntil(
        [&] {
            return module->resultScreen()->displayType() ==
                       DisplayViewType::displayViewTypeScanFinished &&
                   !module->isShowingPathSelect();
        },
        20000));
    const std::size_t before = recorded().size();

    module->goBack();
    ASSERT_TRUE(answerMessageBox("Cancel"));
    module->goBack();
    ASSERT_TRUE(answerMessageBox("Confirm"));
    auto events = recorded();
    ASSERT_EQ(events.size(), before + 4);
    EXPECT_EQ(moments(events)[before], "Operational/DuplicateFile/StartOver");
    EXPECT_EQ(events[before + 1].action, "SCwindow");
    EXPECT_EQ(events[before + 1].labels, std::vector<std::string>{"Cancel"});
    EXPECT_EQ(events[before + 3].labels, std::vector<std::string>{"Confirm"});

    // The scanning screen's stop question, closed by the cancelling button.
    ScanningViewController scanning(ModuleType::duplicateFiles);
    scanning.show();
    scanning.startScanning();
    scanning.requestStop();
    ASSERT_TRUE(answerMessageBox("Cancel"));
    events = recorded();
    ASSERT_EQ(events.back().action, "SCwindow");
    EXPECT_EQ(events.back().module, "DuplicateFile");
    EXPECT_EQ(events.back().labels, std::vector<std::string>{"Cancel"});
}

class LargeFileScreenEvents : public ::testing::Test {
protected:
    LargeFileScreenEvents() : home(tree) {
        guiApp();
        installQtMainQueue();
        prefs = std::make_shared<orvane::settings::PerferenceInfo>(
            tree.path("prefs/PreferenceInfo.plist"));
        manager.preferenceLoader = [this] { return prefs; };
        manager.trashFactory = [this] {
            return std::make_unique<orvane::platform::FolderTrash>(tree.dir("trash"));
        };
    }

    TempTree tree;
    ScopedHome home;
    std::shared_ptr<orvane::settings::PerferenceInfo> prefs;
    orvane::largefiles::LargeFilesManager manager;
};

TEST_F(LargeFileScreenEvents, ScanFilterAndRemovalAreRecordedUnderTheirModules) {
    tree.sparseFile("home/Movies/film.mkv", 30'000'000);
    tree.sparseFile("home/Downloads/image.iso", 12'500'000);

    LargeFilesViewController screen(&manager);
    screen.resize(1000, 650);
    ASSERT_TRUE(scanWithButton(screen, LargeFilesViewController::Page::results));
    auto events = recorded();
    ASSERT_EQ(moments(events),
              (std::vector<std::string>{"Process/Bigfile/StartScan", "Process/Bigfile/ScanPage"}));
    EXPECT_EQ(events[0].labels, std::vector<std::string>{""});

    auto* result = screen.resultView();
    for (QPushButton* button : result->findChildren<QPushButton*>())
        if (button->text() == "Time") button->click();
    events = recorded();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(moments(events)[2], "Operational/LargeFile/Filter");
    EXPECT_EQ(events[2].labels, std::vector<std::string>{"Date"});

    auto* model = result->fileModel();
    for (int r = 0; r < model->rowCount(); ++r)
        model->setData(model->index(r, 0), Qt::Checked, Qt::CheckStateRole);
    result->removeButton()->click();
    LargeFilesConfirmWindowController* confirm = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        confirm = screen.findChild<LargeFilesConfirmWindowController*>();
        return confirm && confirm->isVisible();
    }));
    confirm->removeNowButton()->click();  // the window is the question; no second one
    ASSERT_TRUE(waitUntil([&] { return screen.page() == LargeFilesViewController::Page::finished; },
                          20'000));

    events = recorded();
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(moments(events)[3], "Operational/Bigfile/RemovalMethod");
    EXPECT_EQ(events[3].labels, std::vector<std::string>{"Trash"});
    EXPECT_EQ(moments(events)[4], "Process/Bigfile/RemoveStart");
    EXPECT_EQ(events[4].labels, (std::vector<std::string>{"2", "42.50MB"}));
    const UsageEvent* end = find(events, "RemoveEnd");
    ASSERT_TRUE(end);
    EXPECT_EQ(end->module, "Bigfile");
    EXPECT_EQ(end->labels[0], "2");
    EXPECT_EQ(end->labels[2], "42.50MB");
}
