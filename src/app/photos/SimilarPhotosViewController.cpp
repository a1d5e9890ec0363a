#include "app/photos/SimilarPhotosViewController.h"

#include <QTimer>

#include "app/common/Text.h"
#include "app/common/UsageEvents.h"
#include "app/photos/SimilarPhotosResultViewController.h"
#include "core/photos/ScanImagesManager.h"

namespace orvane::app {

SimilarPhotosViewController::SimilarPhotosViewController(photos::ScanImagesManager* manager,
                                                         QWidget* parent)
    : PathScanModuleViewController(
          ModuleType::similarPhotos, loc("Similar Photos"),
          loc("Find resized, edited and re-saved copies of your photos and keep the best one."),
          parent),
      manager_(manager ? manager : &photos::ScanImagesManager::shared()) {
    setObjectName(QStringLiteral("similarPhotos"));
    result_ = new SimilarPhotosResultViewController(manager_, this);
    setResultScreen(result_);
}

void SimilarPhotosViewController::scanPaths(const std::vector<std::string>& paths) {
    if (paths.empty() || manager_->isScanning()) return;
    QTimer::singleShot(0, this, [this, paths] {
        showResultScreen();
        result_->startScan(paths);
    });
}

std::string_view SimilarPhotosViewController::leaveEventModule() const {
    return analytics::module::similar;
}

}  // namespace orvane::app
