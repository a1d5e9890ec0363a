#pragma once

#include <string>
#include <vector>

#include "app/shell/ModuleBaseViewController.h"

class QStackedWidget;

namespace orvane::photos {
class ScanImagesManager;
}

namespace orvane::app {

class SimilarPhotosResultViewController;
class SinglePathSelectViewController;

// The similar-photo module's root screen: choose where to look, then the result screen takes
// over (scanning, groups, removal). Going back drops the results, after asking when there are any.
class SimilarPhotosViewController : public ModuleBaseViewController {
    Q_OBJECT
public:
    // Without a manager the program's shared one is used.
    explicit SimilarPhotosViewController(photos::ScanImagesManager* manager = nullptr,
                                         QWidget* parent = nullptr);

    void backToHome(std::function<void(bool)> completion) override;
    void applicationWillTerminate() override;

    void scanPaths(const std::vector<std::string>& paths);
    void goBack();

    SinglePathSelectViewController* pathSelect() const { return pathSelect_; }
    SimilarPhotosResultViewController* resultScreen() const { return result_; }
    bool isShowingPathSelect() const;

private:
    void askToLeave(std::function<void(bool)> completion);
    void returnToPathSelect();

    photos::ScanImagesManager* manager_;
    QStackedWidget* pages_ = nullptr;
    SinglePathSelectViewController* pathSelect_ = nullptr;
    SimilarPhotosResultViewController* result_ = nullptr;
    bool asking_ = false;
};

}  // namespace orvane::app
