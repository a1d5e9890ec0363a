#pragma once

#include <gtest/gtest.h>

#include <QPushButton>

#include "app/apps/AppManageViewController.h"
#include "app/shell/MainThread.h"
#include "core/apps/AppFixtures.h"
#include "core/apps/AppManager.h"
#include "support/GuiTestSupport.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

namespace orvane::app::testing {

// The application screens on the offscreen platform, their work handed back to the GUI thread
// as the window does; the usage events they record land in a private folder, never in the
// tester's home.
class AppScreens : public ::testing::Test {
protected:
    void SetUp() override {
        orvane::testing::guiApp();
        installQtMainQueue();
    }
    // Shows the screen at a desktop size, scans with its own button and waits for the results.
    static void scan(AppManageViewController& screen) {
        if (!screen.isVisible()) screen.resize(1100, 700);
        ASSERT_TRUE(
            orvane::testing::scanWithButton(screen, AppManageViewController::Page::results, 15000));
    }

    orvane::testing::TempTree stateTree;
    orvane::testing::ScopedEnv state{"XDG_STATE_HOME", stateTree.dir("state")};
};

}  // namespace orvane::app::testing
