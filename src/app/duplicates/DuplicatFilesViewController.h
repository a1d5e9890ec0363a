#pragma once

#include <memory>

#include "app/common/PathScanModuleViewController.h"

namespace orvane::duplicates {
class ScanManager;
}

namespace orvane::app {

class ScanFileResultViewController;

// The duplicate module's root screen: choose where to look, then the result screen takes over
// (scanning, results, removal). Going back drops the results, after asking when there are any.
class DuplicatFilesViewController : public PathScanModuleViewController {
    Q_OBJECT
public:
    // Without a manager the program's shared one is used.
    explicit DuplicatFilesViewController(std::shared_ptr<duplicates::ScanManager> manager = nullptr,
                                         QWidget* parent = nullptr);

    void scanPaths(const std::vector<std::string>& paths) override;
    // Also tells the usage events that the user started over.
    void goBack() override;

    // The note under the targets: the kinds of files a scan never compares.
    static QString neverComparedText();

    ScanFileResultViewController* resultScreen() const { return result_; }

protected:
    std::string_view leaveEventModule() const override;

private:
    std::shared_ptr<duplicates::ScanManager> manager_;
    ScanFileResultViewController* result_ = nullptr;
};

}  // namespace orvane::app
