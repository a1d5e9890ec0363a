#include "app/photos/SimilarPhotosViewController.h"

#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/common/Alerts.h"
#include "app/common/SinglePathSelectViewController.h"
#include "app/common/Text.h"
#include "app/common/UsageEvents.h"
#include "app/photos/SimilarPhotosResultViewController.h"
#include "core/photos/ScanImagesManager.h"

namespace orvane::app {

using State = SimilarPhotosResultViewController::State;

SimilarPhotosViewController::SimilarPhotosViewController(photos::ScanImagesManager* manager,
                                                         QWidget* parent)
    : ModuleBaseViewController(ModuleType::similarPhotos, parent),
      manager_(manager ? manager : &photos::ScanImagesManager::shared()) {
    setObjectName(QStringLiteral("similarPhotos"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pages_ = new QStackedWidget(this);
    layout->addWidget(pages_);
    pathSelect_ = new SinglePathSelectViewController(
        loc("Similar Photos"),
        loc("Find resized, edited and re-saved copies of your photos and keep the best one."),
        pages_);
    pages_->addWidget(pathSelect_);
    result_ = new SimilarPhotosResultViewController(manager_, pages_);
    pages_->addWidget(result_);
    result_->setListEnabled = [this](bool enabled) { setLeftlistStatus(enabled); };
    result_->backBlock = [this] { goBack(); };
    pathSelect_->pathSelectBlock = [this](const std::vector<std::string>& paths) {
        scanPaths(paths);
    };
}

bool SimilarPhotosViewController::isShowingPathSelect() const {
    return pages_->currentWidget() == pathSelect_;
}

void SimilarPhotosViewController::scanPaths(const std::vector<std::string>& paths) {
    if (paths.empty() || manager_->isScanning()) return;
    QTimer::singleShot(0, this, [this, paths] {
        pages_->setCurrentWidget(result_);
        result_->startScan(paths);
    });
}

void SimilarPhotosViewController::askToLeave(std::function<void(bool)> completion) {
    const auto state = result_->state();
    if (isShowingPathSelect() || state == State::scanning || state == State::removing) {
        completion(isShowingPathSelect());
        return;
    }
    if (!result_->hasResults()) {
        completion(true);
        return;
    }
    if (asking_) return;
    asking_ = true;
    askQuestion(window(), loc("The scanning results won't be saved if you go Back."), loc("Cancel"),
                loc("Confirm"), [this, completion = std::move(completion)](bool yes) {
                    asking_ = false;
                    usage::sheetAnswer(analytics::module::similar, yes);
                    completion(yes);
                });
}

void SimilarPhotosViewController::backToHome(std::function<void(bool)> completion) {
    askToLeave([this, completion = std::move(completion)](bool yes) {
        if (yes && !isShowingPathSelect()) returnToPathSelect();
        if (completion) completion(yes);
    });
}

void SimilarPhotosViewController::goBack() {
    askToLeave([this](bool yes) {
        if (yes) returnToPathSelect();
    });
}

void SimilarPhotosViewController::returnToPathSelect() {
    result_->dropResults();
    pathSelect_->reset();
    pages_->setCurrentWidget(pathSelect_);
}

void SimilarPhotosViewController::applicationWillTerminate() { result_->stopWork(); }

}  // namespace orvane::app
