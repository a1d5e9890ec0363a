#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QStackedWidget>
#include <QThread>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "app/shell/Appearance.h"
#include "app/shell/LeftListViewController.h"
#include "app/shell/MainThread.h"
#include "app/shell/MainViewController.h"
#include "app/shell/MainWindow.h"
#include "app/shell/ModuleItem.h"
#include "app/shell/ModuleScreens.h"
#include "app/shell/PlaceholderViewController.h"
#include "app/shell/SingleInstance.h"
#include "kit/MainQueue.h"
#include "support/GuiTestSupport.h"
#include "support/TempTree.h"

using namespace orvane::app;
using namespace orvane::testing;

namespace {

// A module screen whose answer to "may I leave?" the test gives by hand.
class AskingScreen : public ModuleBaseViewController {
public:
    explicit AskingScreen(ModuleType type) : ModuleBaseViewController(type) {}
    void backToHome(std::function<void(bool)> completion) override {
        ++asked;
        pending = std::move(completion);
    }
    void answer(bool yes) {
        auto done = std::move(pending);
        pending = nullptr;
        if (done) done(yes);
    }
    int asked = 0;
    std::function<void(bool)> pending;
};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        guiApp();
        home = std::make_unique<ScopedHome>(tree);
    }
    void TearDown() override {
        overrideModuleScreen(ModuleType::cleanJunk, nullptr);
        orvane::testing::rejectOpenMessageBoxes();
    }
    TempTree tree;
    std::unique_ptr<ScopedHome> home;
};

}  // namespace

TEST_F(ShellTest, RegistryListsTheSixModulesInOrderWithTheirImages) {
    const auto items = moduleRegistry();
    ASSERT_EQ(items.size(), 6u);
    const char* names[] = {"Junk Files",  "Similar Photos",  "Duplicate Files",
                           "Large Files", "AI File Renamer", "App Management"};
    const char* icons[] = {"leftList_cleanup",  "leftList_similar",   "leftList_duplicate",
                           "leftList_bigFiles", "leftList_airenamer", "leftList_app"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(static_cast<int>(items[i].moduleType), i);
        EXPECT_EQ(items[i].moduleName, QString::fromUtf8(names[i]));
        EXPECT_EQ(items[i].moduleTip, items[i].moduleName);
        EXPECT_EQ(items[i].iconName, QString::fromUtf8(icons[i]));
        EXPECT_EQ(items[i].selectedIconName, items[i].iconName + "_h");
        EXPECT_EQ(items[i].highlighedIconName, items[i].iconName + "_h");
        EXPECT_EQ(items[i].unableIconName, items[i].iconName + "_d");
    }
}

TEST_F(ShellTest, StartsOnJunkFilesWithEveryModuleListed) {
    MainWindow window;
    window.show();
    MainViewController* main = window.mainView();
    EXPECT_EQ(main->currentViewType, ModuleType::cleanJunk);
    EXPECT_EQ(cur, ModuleType::cleanJunk);
    EXPECT_EQ(main->contentArea()->currentWidget(), main->currentViewCtr());
    QListWidget* list = main->leftList()->listWidget();
    ASSERT_EQ(list->count(), 6);
    EXPECT_EQ(list->item(2)->text(), "Duplicate Files");
    EXPECT_EQ(main->leftList()->currentSelectedIndex, 0);
    EXPECT_FALSE(list->item(0)->icon().isNull());
}

TEST_F(ShellTest, ModulesWithoutScreensSayTheyAreNotAvailable) {
    MainWindow window;
    window.show();
    MainViewController* main = window.mainView();
    for (ModuleType type : {ModuleType::aiRenamer, ModuleType::appManage}) {
        if (hasModuleScreen(type)) continue;
        main->displayViewWithType(type);
        auto* placeholder = qobject_cast<PlaceholderViewController*>(main->currentViewCtr());
        ASSERT_NE(placeholder, nullptr);
        auto* text = placeholder->findChild<QLabel*>("placeholderText");
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->text(), "This module is not available yet.");
    }
}

TEST_F(ShellTest, ClickWaitsBeforeAskingThenSwitchesAndKeepsScreens) {
    MainWindow window;
    window.show();
    MainViewController* main = window.mainView();
    ModuleBaseViewController* junk = main->currentViewCtr();

    main->leftList()->clickIndex(3);
    QTest::qWait(40);
    // The module on show is asked only after the short wait.
    EXPECT_EQ(main->currentViewType, ModuleType::cleanJunk);
    ASSERT_TRUE(waitUntil([&] { return main->currentViewType == ModuleType::largeFiles; }));
    EXPECT_EQ(main->lastViewType, ModuleType::cleanJunk);
    EXPECT_EQ(cur, ModuleType::largeFiles);
    EXPECT_TRUE(main->isBack);
    EXPECT_EQ(main->leftList()->currentSelectedIndex, 3);
    EXPECT_EQ(main->leftList()->currentFuncType, ModuleType::largeFiles);
    EXPECT_TRUE(main->leftList()->listWidget()->item(3)->font().bold());
    EXPECT_FALSE(main->leftList()->listWidget()->item(0)->font().bold());

    main->leftList()->clickIndex(0);
    ASSERT_TRUE(waitUntil([&] { return main->currentViewType == ModuleType::cleanJunk; }));
    // The first screen is the same object: made once, kept for the run.
    EXPECT_EQ(main->currentViewCtr(), junk);
    EXPECT_EQ(main->screenFor(ModuleType::largeFiles) != nullptr, true);
}

TEST_F(ShellTest, TheKeyboardStartsFromTheModuleOnShowAndShowsWhereItIs) {
    MainWindow window;
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    MainViewController* main = window.mainView();
    QListWidget* list = main->leftList()->listWidget();
    main->leftList()->clickIndex(2);
    ASSERT_TRUE(waitUntil([&] { return main->currentViewType == ModuleType::duplicateFiles; }));

    list->setFocus();
    ASSERT_TRUE(waitUntil([&] { return list->hasFocus(); }));
    EXPECT_EQ(list->currentRow(), 2) << "the keyboard is on the module on show";
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentRow(), 3);

    // A ring in the focus colour marks the row the keyboard is on, and only that row.
    auto ringPixels = [&](int row) {
        const QImage image = list->viewport()->grab().toImage();
        const QRect rect = list->visualItemRect(list->item(row));
        int count = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (std::abs(c.red() - 0x2f) < 24 && std::abs(c.green() - 0x7c) < 24 &&
                    std::abs(c.blue() - 0xf6) < 24)
                    ++count;
            }
        return count;
    };
    EXPECT_GT(ringPixels(3), 40);
    EXPECT_EQ(ringPixels(2), 0);
    EXPECT_EQ(ringPixels(0), 0);

    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return main->currentViewType != ModuleType::duplicateFiles; }));
    EXPECT_EQ(main->currentViewType, ModuleType::largeFiles)
        << "Down then Enter opens the module below";
    EXPECT_EQ(list->currentRow(), 3);
}

TEST_F(ShellTest, ANoFromTheModuleOnShowChangesNothing) {
    AskingScreen* asking = nullptr;
    overrideModuleScreen(ModuleType::cleanJunk,
                         [&] { return asking = new AskingScreen(ModuleType::cleanJunk); });
    MainWindow window;
    window.show();
    MainViewController* main = window.mainView();
    ASSERT_NE(asking, nullptr);

    main->leftList()->clickIndex(2);
    ASSERT_TRUE(waitUntil([&] { return asking->asked == 1; }));
    // Further clicks while the question is open are not queued up behind it.
    main->leftList()->clickIndex(4);
    QTest::qWait(200);
    EXPECT_EQ(asking->asked, 1);
    asking->answer(false);
    EXPECT_FALSE(main->isBack);
    EXPECT_EQ(main->currentViewType, ModuleType::cleanJunk);
    EXPECT_EQ(main->leftList()->currentSelectedIndex, 0);
    EXPECT_EQ(main->screenFor(ModuleType::duplicateFiles), nullptr);

    main->leftList()->clickIndex(2);
    ASSERT_TRUE(waitUntil([&] { return asking->asked == 2; }));
    asking->answer(true);
    EXPECT_TRUE(main->isBack);
    EXPECT_EQ(main->currentViewType, ModuleType::duplicateFiles);
    EXPECT_EQ(main->leftList()->currentSelectedIndex, 2);
}

TEST_F(ShellTest, ADisabledListIgnoresClicks) {
    MainWindow window;
    window.show();
    MainViewController* main = window.mainView();
    main->setLeftlistStatus(false);
    EXPECT_FALSE(main->leftList()->listWidget()->item(1)->flags() & Qt::ItemIsEnabled);
    main->leftList()->clickIndex(1);
    QTest::qWait(250);
    EXPECT_EQ(main->currentViewType, ModuleType::cleanJunk);
    main->setLeftlistStatus(true);
    main->leftList()->clickIndex(1);
    EXPECT_TRUE(waitUntil([&] { return main->currentViewType == ModuleType::similarPhotos; }));
}

TEST_F(ShellTest, ClosingAsksAndOnlyYesQuits) {
    MainWindow window;
    window.show();
    window.close();
    QMessageBox* box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Are you sure you want to exit the program?");
    ASSERT_TRUE(answerMessageBox("Cancel"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isShouldCloseWindow());

    window.close();
    ASSERT_TRUE(answerMessageBox("Yes"));
    EXPECT_TRUE(window.isShouldCloseWindow());
    EXPECT_FALSE(window.isVisible());
}

TEST_F(ShellTest, MainQueueRunsPostedWorkOnTheGuiThreadInOrder) {
    installQtMainQueue();
    std::vector<int> order;
    std::atomic<bool> wrongThread{false};
    QThread* gui = QThread::currentThread();
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            orvane::kit::MainQueue::post([&, i] {
                if (QThread::currentThread() != gui) wrongThread = true;
                order.push_back(i);
            });
    });
    worker.join();
    ASSERT_TRUE(waitUntil([&] { return order.size() == 50; }));
    EXPECT_FALSE(wrongThread);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(order[i], i);
}

TEST_F(ShellTest, ObserverCallbacksForAClosedScreenAreDropped) {
    int ran = 0;
    auto* context = new QObject;
    QObject keep;
    std::thread([&] {
        onMainThread(context, [&] { ++ran; });
        onMainThread(&keep, [&] { ran += 10; });
    }).join();
    delete context;
    QTest::qWait(50);
    EXPECT_EQ(ran, 10);
}

TEST_F(ShellTest, ASecondLaunchWakesTheFirstInsteadOfStarting) {
    const QString key =
        QStringLiteral("orvane-test-%1").arg(QString::number(QCoreApplication::applicationPid()));
    SingleInstance first(key);
    ASSERT_TRUE(first.listen());
    int activations = 0;
    QObject::connect(&first, &SingleInstance::activated, [&] { ++activations; });

    // The second launch runs in its own thread here, as it would in its own process.
    std::atomic<bool> answered{false};
    std::thread second([&] {
        SingleInstance other(key);
        answered = other.notifyRunningInstance(3000);
    });
    EXPECT_TRUE(waitUntil([&] { return activations == 1; }));
    second.join();
    EXPECT_TRUE(answered);

    SingleInstance nobody(key + "-none");
    EXPECT_FALSE(nobody.notifyRunningInstance(200));
}

TEST(Appearance, ScrollBarHandleIsDarkerThanItsTrack) {
    guiApp();
    applyAppearance();
    for (Qt::Orientation orientation : {Qt::Vertical, Qt::Horizontal}) {
        QScrollBar bar(orientation);
        bar.setRange(0, 100);
        bar.setPageStep(25);
        bar.setValue(0);
        const bool vertical = orientation == Qt::Vertical;
        bar.resize(vertical ? QSize(14, 300) : QSize(300, 14));
        bar.show();
        const QImage image = bar.grab().toImage();
        // The handle sits at the start (value 0) and covers a fifth of the length; the far end
        // is bare track.
        const QPoint inHandle = vertical ? QPoint(7, 30) : QPoint(30, 7);
        const QPoint onTrack = vertical ? QPoint(7, 270) : QPoint(270, 7);
        const QColor handle = image.pixelColor(inHandle);
        const QColor track = image.pixelColor(onTrack);
        EXPECT_LT(handle.lightness() + 30, track.lightness())
            << (vertical ? "vertical" : "horizontal") << ": handle " << handle.name().toStdString()
            << " on track " << track.name().toStdString();
    }
}
