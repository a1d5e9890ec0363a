#pragma once

#include <memory>

#include "app/shell/ModuleBaseViewController.h"

class QStackedWidget;

namespace orvane::duplicates {
class ScanManager;
}

namespace orvane::app {

class ScanFileResultViewController;
class SinglePathSelectViewController;

// The duplicate module's root screen: choose where to look, then the result screen takes over
// (scanning, results, removal). Going back drops the results, after asking when there are any.
class DuplicatFilesViewController : public ModuleBaseViewController {
    Q_OBJECT
public:
    // Without a manager the program's shared one is used.
    explicit DuplicatFilesViewController(std::shared_ptr<duplicates::ScanManager> manager = nullptr,
                                         QWidget* parent = nullptr);

    void backToHome(std::function<void(bool)> completion) override;
    void applicationWillTerminate() override;

    // Starts a scan of `paths` as the scan button does.
    void scanPaths(const std::vector<std::string>& paths);
    // The back button of the result screen: asks, then returns to choosing targets.
    void goBack();

    // The note under the targets: the kinds of files a scan never compares.
    static QString neverComparedText();

    SinglePathSelectViewController* pathSelect() const { return pathSelect_; }
    ScanFileResultViewController* resultScreen() const { return result_; }
    bool isShowingPathSelect() const;

private:
    void askToLeave(std::function<void(bool)> completion);
    void returnToPathSelect();

    std::shared_ptr<duplicates::ScanManager> manager_;
    QStackedWidget* pages_ = nullptr;
    SinglePathSelectViewController* pathSelect_ = nullptr;
    ScanFileResultViewController* result_ = nullptr;
    bool asking_ = false;
};

}  // namespace orvane::app
