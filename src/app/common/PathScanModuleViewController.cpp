#include "app/common/PathScanModuleViewController.h"

#include <QStackedWidget>

#include "app/common/PageParts.h"
#include "app/common/ScanResultScreen.h"
#include "app/common/SinglePathSelectViewController.h"
#include "app/common/Text.h"

namespace orvane::app {

PathScanModuleViewController::PathScanModuleViewController(ModuleType type, const QString& title,
                                                           const QString& subtitle, QWidget* parent)
    : ModuleBaseViewController(type, parent), leaveQuestion_(loc("Confirm")) {
    pages_ = addPageStack(this);
    pathSelect_ = new SinglePathSelectViewController(title, subtitle, pages_);
    pages_->addWidget(pathSelect_);
    pathSelect_->pathSelectBlock = [this](const std::vector<std::string>& paths) {
        scanPaths(paths);
    };
}

void PathScanModuleViewController::setResultScreen(ScanResultScreen* result) {
    result_ = result;
    pages_->addWidget(result_);
    result_->setListEnabled = [this](bool enabled) { setLeftlistStatus(enabled); };
    result_->backBlock = [this] { goBack(); };
}

void PathScanModuleViewController::showResultScreen() { pages_->setCurrentWidget(result_); }

bool PathScanModuleViewController::isShowingPathSelect() const {
    return pages_->currentWidget() == pathSelect_;
}

void PathScanModuleViewController::askToLeave(std::function<void(bool)> completion) {
    if (isShowingPathSelect() || result_->isBusy()) {
        // Nothing to lose on the target screen; work in flight is never left behind (the list is
        // off meanwhile, and the back buttons are not on show).
        completion(isShowingPathSelect());
        return;
    }
    if (!result_->hasResults()) {
        completion(true);
        return;
    }
    leaveQuestion_.ask(this, leaveEventModule(), std::move(completion));
}

void PathScanModuleViewController::backToHome(std::function<void(bool)> completion) {
    askToLeave([this, completion = std::move(completion)](bool yes) {
        if (yes && !isShowingPathSelect()) returnToPathSelect();
        if (completion) completion(yes);
    });
}

void PathScanModuleViewController::goBack() {
    askToLeave([this](bool yes) {
        if (yes) returnToPathSelect();
    });
}

void PathScanModuleViewController::returnToPathSelect() {
    result_->dropResults();
    pathSelect_->reset();
    pages_->setCurrentWidget(pathSelect_);
}

void PathScanModuleViewController::applicationWillTerminate() { result_->stopWork(); }

}  // namespace orvane::app
