#pragma once

#include "app/common/PathScanModuleViewController.h"

namespace orvane::photos {
class ScanImagesManager;
}

namespace orvane::app {

class SimilarPhotosResultViewController;

// The similar-photo module's root screen: choose where to look, then the result screen takes
// over (scanning, groups, removal). Going back drops the results, after asking when there are any.
class SimilarPhotosViewController : public PathScanModuleViewController {
    Q_OBJECT
public:
    // Without a manager the program's shared one is used.
    explicit SimilarPhotosViewController(photos::ScanImagesManager* manager = nullptr,
                                         QWidget* parent = nullptr);

    void scanPaths(const std::vector<std::string>& paths) override;

    SimilarPhotosResultViewController* resultScreen() const { return result_; }

protected:
    std::string_view leaveEventModule() const override;

private:
    photos::ScanImagesManager* manager_;
    SimilarPhotosResultViewController* result_ = nullptr;
};

}  // namespace orvane::app
