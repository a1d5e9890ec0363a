#pragma once

#include <QPushButton>

#include <string>
#include <vector>

#include "app/common/SinglePathSelectViewController.h"
#include "app/shell/LeftListViewController.h"
#include "app/shell/MainViewController.h"
#include "app/shell/MainWindow.h"
#include "support/GuiTestSupport.h"

namespace orvane::testing {

// Clicks row `row` of the window's module list and waits for the module of `type` to take the
// window; the module's screen, or null when another one (or none) shows.
template <class Module>
Module* openModule(app::MainWindow& window, int row, app::ModuleType type) {
    app::MainViewController* main = window.mainView();
    main->leftList()->clickIndex(row);
    if (!waitUntil([&] { return main->currentViewType == type; })) return nullptr;
    return qobject_cast<Module*>(main->currentViewCtr());
}

// Picks `folder` in the module's target screen, as the folder chooser would, and starts the
// scan with the scan button.
template <class Module>
void chooseAndScan(Module& module, const std::string& folder) {
    module.pathSelect()->chooser = [folder](QWidget*, bool) {
        return std::vector<std::string>{folder};
    };
    module.pathSelect()->chooseFolder();
    module.pathSelect()->scanButton()->click();
}

}  // namespace orvane::testing
