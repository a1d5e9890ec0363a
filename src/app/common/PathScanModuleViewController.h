#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/common/LeaveQuestion.h"
#include "app/shell/ModuleBaseViewController.h"

class QStackedWidget;

namespace orvane::app {

class ScanResultScreen;
class SinglePathSelectViewController;

// The root screen of a module that scans chosen folders: choose where to look, then the module's
// result screen takes over (scanning, results, removal). Going back drops the results, after
// asking when there are any; work in flight is never left behind.
class PathScanModuleViewController : public ModuleBaseViewController {
    Q_OBJECT
public:
    void backToHome(std::function<void(bool)> completion) override;
    void applicationWillTerminate() override;

    // Starts a scan of `paths` as the scan button does.
    virtual void scanPaths(const std::vector<std::string>& paths) = 0;
    // The back button of the result screen: asks, then returns to choosing targets.
    virtual void goBack();

    SinglePathSelectViewController* pathSelect() const { return pathSelect_; }
    bool isShowingPathSelect() const;

protected:
    PathScanModuleViewController(ModuleType type, const QString& title, const QString& subtitle,
                                 QWidget* parent);

    // Places the module's result screen after the target screen; once, from the constructor.
    void setResultScreen(ScanResultScreen* result);
    void showResultScreen();
    // The module the answer to the leave question is recorded under.
    virtual std::string_view leaveEventModule() const = 0;

private:
    void askToLeave(std::function<void(bool)> completion);
    void returnToPathSelect();

    QStackedWidget* pages_ = nullptr;
    SinglePathSelectViewController* pathSelect_ = nullptr;
    ScanResultScreen* result_ = nullptr;
    LeaveQuestion leaveQuestion_;
};

}  // namespace orvane::app
