#include <gtest/gtest.h>
#include <unistd.h>

#include <QLabel>

#include "app/shell/MainWindow.h"
#include "app/shell/PathLimitTipWindowController.h"
#include "app/shell/StartupChecks.h"
#include "app/shell/StartupTasks.h"
#include "platform/LoginItem.h"
#include "support/GuiTestSupport.h"
#include "support/TempTree.h"

using namespace orvane::app;
using namespace orvane::testing;

namespace {

class StartupChecksTest : public ::testing::Test {
protected:
    void SetUp() override { guiApp(); }
    void TearDown() override {
        orvane::testing::rejectOpenMessageBoxes();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* tip = qobject_cast<PathLimitTipWindowController*>(w)) tip->reject();
        QApplication::processEvents();
    }
    PathLimitTipWindowController* openTip() {
        PathLimitTipWindowController* found = nullptr;
        waitUntil(
            [&] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* tip = qobject_cast<PathLimitTipWindowController*>(w);
                        tip && tip->isVisible())
                        found = tip;
                return found != nullptr;
            },
            1500);
        return found;
    }
    TempTree tree;
    ScopedHome home{tree};
};

StartupChecks::FreeSpaceReader freeBytes(std::uint64_t bytes) {
    return [bytes](const std::string&) { return std::optional<std::uint64_t>(bytes); };
}

}  // namespace

TEST_F(StartupChecksTest, TwoHundredDecimalMegabytesIsTheLine) {
    EXPECT_TRUE(StartupChecks::isSpaceInsufficient(0));
    EXPECT_TRUE(StartupChecks::isSpaceInsufficient(199'999'999));
    EXPECT_FALSE(StartupChecks::isSpaceInsufficient(200'000'000));
    EXPECT_FALSE(StartupChecks::isSpaceInsufficient(5'000'000'000'000ull));
}

TEST_F(StartupChecksTest, LowSpaceShowsTheAlertThenTheTrashTip) {
    MainWindow window;
    window.show();
    const std::string trash = tree.dir("locked-trash");
    StartupChecks::run(&window, freeBytes(150'000'000), trash,
                       [&](const std::string& path) { return path != trash; });
    QMessageBox* box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(),
              "The program can't work properly due to insufficient space on your computer, please "
              "release enough space and then try again.");
    // The tip waits for the alert instead of stacking on it.
    EXPECT_EQ(openTip(), nullptr);
    ASSERT_TRUE(answerMessageBox("OK"));
    PathLimitTipWindowController* tip = openTip();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->settingsButton()->text(), "Go to Settings");
    EXPECT_EQ(tip->cancelButton()->text(), "Cancel");
}

TEST_F(StartupChecksTest, AFolderThatCannotBeListedIsUnreadable) {
    tree.dir("locked");
    tree.chmod("locked", 0);
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    EXPECT_FALSE(StartupChecks::isTrashReadable(tree.path("locked")));
    EXPECT_TRUE(StartupChecks::isTrashReadable(tree.dir("open")));
}

TEST_F(StartupChecksTest, EnoughSpaceAndAReadableOrMissingTrashSayNothing) {
    MainWindow window;
    window.show();
    StartupChecks::run(&window, freeBytes(300'000'000), tree.dir("trash"));
    StartupChecks::run(&window, freeBytes(300'000'000), tree.path("never-used-trash"));
    QTest::qWait(100);
    EXPECT_EQ(openMessageBox(), nullptr);
    EXPECT_EQ(openTip(), nullptr);
    EXPECT_TRUE(StartupChecks::isTrashReadable(tree.path("never-used-trash")));
}

TEST_F(StartupChecksTest, ChecksWaitForTheWindowToAppear) {
    MainWindow window;
    StartupChecks::run(&window, freeBytes(1'000), tree.dir("trash"));
    QTest::qWait(200);
    EXPECT_EQ(openMessageBox(), nullptr);
    window.show();
    EXPECT_NE(waitForMessageBox(2500), nullptr);
}

TEST_F(StartupChecksTest, GoToSettingsOpensGnomePrivacyOrExplains) {
    MainWindow window;
    window.show();
    auto* tip = new PathLimitTipWindowController(tree.path("trash"), &window);
    std::vector<PathLimitTipWindowController::Command> launched;
    tip->findProgram = [](const QString& name) {
        return name == "gnome-control-center" ? QString("/usr/bin/gnome-control-center")
                                              : QString();
    };
    tip->launch = [&](const PathLimitTipWindowController::Command& c) {
        launched.push_back(c);
        return true;
    };
    tip->open();
    EXPECT_TRUE(tip->goToSettings());
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0].program, "/usr/bin/gnome-control-center");
    EXPECT_EQ(launched[0].arguments, QStringList{"privacy"});
    EXPECT_EQ(openMessageBox(), nullptr);

    auto* other = new PathLimitTipWindowController(tree.path("trash"), &window);
    other->findProgram = [](const QString&) { return QString(); };
    other->launch = [&](const PathLimitTipWindowController::Command& c) {
        launched.push_back(c);
        return true;
    };
    other->open();
    EXPECT_FALSE(other->goToSettings());
    EXPECT_EQ(launched.size(), 1u);
    QMessageBox* help = waitForMessageBox();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->informativeText().contains(QString::fromStdString(tree.path("trash"))));
}

namespace {

// A login item whose answers the test sets.
class FakeLoginItem : public orvane::platform::LoginItem {
public:
    orvane::platform::Outcome setEnabled(bool enabled) override {
        ++calls;
        if (failuresLeft > 0) {
            --failuresLeft;
            return orvane::platform::Outcome::failure("autostart folder is read-only");
        }
        enabled_ = enabled;
        return orvane::platform::Outcome::success();
    }
    bool isEnabled() const override { return enabled_; }
    bool enabled_ = false;
    int failuresLeft = 0;
    int calls = 0;
};

}  // namespace

TEST_F(StartupChecksTest, TheLoginItemFollowsTheSettingAndAFailureOffersRetry) {
    MainWindow window;
    window.show();
    FakeLoginItem item;
    EXPECT_TRUE(StartupTasks::applyLoginItem(&window, item, true));
    EXPECT_TRUE(item.isEnabled());
    EXPECT_TRUE(StartupTasks::applyLoginItem(&window, item, true));
    EXPECT_EQ(item.calls, 1);  // already as asked: nothing written

    item.failuresLeft = 1;
    EXPECT_FALSE(StartupTasks::applyLoginItem(&window, item, false));
    QMessageBox* box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Status bar setting failed");
    ASSERT_TRUE(answerMessageBox("Retry"));
    EXPECT_FALSE(item.isEnabled());
    EXPECT_EQ(openMessageBox(), nullptr);
}
