#pragma once

#include <QTimer>

#include <chrono>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/common/ScanResultScreen.h"

namespace orvane::duplicates {
class ScanManager;
}

class QStackedWidget;
class QLabel;
class QPushButton;

namespace orvane::app {

class DuplicateResultView;
class RemoveFinishedView;
class RemovingProgressWindowController;
class ScanningViewController;

enum class DisplayViewType {
    displayViewTypeScanning,
    displayViewTypeScanFinished,
    displayViewTypeRemoving,
    displayViewTypeRemoveFinished,
};

// The duplicate module after the targets are chosen: scanning, the results, removal and what it
// did. It drives the shared ScanManager and watches it as its observer; every report is moved to
// the GUI thread before it touches a widget.
class ScanFileResultViewController : public ScanResultScreen {
    Q_OBJECT
public:
    explicit ScanFileResultViewController(std::shared_ptr<duplicates::ScanManager> manager,
                                          QWidget* parent = nullptr);
    ~ScanFileResultViewController() override;

    // Switches to scanning and starts a scan of the manager's folderList.
    void startScan();
    DisplayViewType displayType() const { return displayType_; }
    bool isBusy() const override;
    // True when the finished scan left groups the user would lose by going back.
    bool hasResults() const override;
    void dropResults() override;
    void stopWork() override;

    const std::shared_ptr<duplicates::ScanManager>& manager() const { return manager_; }
    ScanningViewController* scanningView() const { return scanning_; }
    DuplicateResultView* resultView() const { return result_; }
    RemoveFinishedView* finishedView() const { return finished_; }
    RemovingProgressWindowController* progressSheet() const { return sheet_; }
    QWidget* emptyView() const { return empty_; }
    QWidget* currentPage() const;

    // Reports of the manager, on the GUI thread.
    void onScanFinished();
    void onStopScan();
    void onScanProgress(double value, const std::string& path);
    void onStartRemove();
    void onCleanProgress(double value, long long count);
    void onRemoveFinished();
    void onRemoveRefused(const std::string& message);
    void onConfirmForceRemove(const std::string& volume, std::function<void(bool)> answer);

private:
    class Observer;

    void showResults();
    void pollCounters();
    void closeSheet();

    std::shared_ptr<duplicates::ScanManager> manager_;
    std::shared_ptr<Observer> observer_;
    DisplayViewType displayType_ = DisplayViewType::displayViewTypeScanFinished;
    QStackedWidget* pages_ = nullptr;
    ScanningViewController* scanning_ = nullptr;
    DuplicateResultView* result_ = nullptr;
    QWidget* empty_ = nullptr;
    QWidget* removing_ = nullptr;
    RemoveFinishedView* finished_ = nullptr;
    RemovingProgressWindowController* sheet_ = nullptr;
    QTimer counterTimer_;
    std::chrono::steady_clock::time_point scanStartedAt_{};
    std::chrono::steady_clock::time_point removeStartedAt_{};
    bool scanRunning_ = false;
};

}  // namespace orvane::app
