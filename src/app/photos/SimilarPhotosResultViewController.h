#pragma once

#include <chrono>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/common/ScanResultScreen.h"

class QLabel;
class QStackedWidget;

namespace orvane::photos {
class ScanImagesManager;
struct ScanImagesItem;
struct ScanImagesOutcome;
}  // namespace orvane::photos

namespace orvane::app {

class PhotoResultView;
class RemoveFinishedView;
class RemovingProgressWindowController;
class ScanningViewController;

// The photo module after the targets are chosen: scanning, the groups, removal and what it
// did. The scan runs on the driver's thread; every report of the driver is moved to the GUI
// thread before it touches a widget, and the scan's end (with the engine's verdict) picks the
// page shown after it.
class SimilarPhotosResultViewController : public ScanResultScreen {
    Q_OBJECT
public:
    enum class State { scanning, results, removing, removeFinished };

    explicit SimilarPhotosResultViewController(photos::ScanImagesManager* manager,
                                               QWidget* parent = nullptr);
    ~SimilarPhotosResultViewController() override;

    void startScan(const std::vector<std::string>& paths);
    State state() const { return state_; }
    bool isBusy() const override;
    bool hasResults() const override;
    void dropResults() override;
    // Stops the scan or the removal and waits for it (leaving the module, quitting).
    void stopWork() override;

    ScanningViewController* scanningView() const { return scanning_; }
    PhotoResultView* resultView() const { return result_; }
    RemoveFinishedView* finishedView() const { return finished_; }
    RemovingProgressWindowController* progressSheet() const { return sheet_; }
    QWidget* emptyView() const { return empty_; }
    // Nothing was found and a chosen folder could not be opened.
    QWidget* noAccessView() const { return noAccess_; }
    // Nothing was found and the engine failed.
    QWidget* failedView() const { return failed_; }
    QWidget* currentPage() const;

    // Reports of the driver, on the GUI thread.
    void onProgress(double ratio, long long total, const std::string& path);
    void onScanEnded(const photos::ScanImagesOutcome& outcome);
    void onRemoveProgress(double fraction);
    void onRemoveEnded(bool stopped);

private:
    class Observer;

    void showResults();
    void startRemoval();
    void closeSheet();

    photos::ScanImagesManager* manager_;
    std::shared_ptr<Observer> observer_;
    State state_ = State::results;
    QStackedWidget* pages_ = nullptr;
    ScanningViewController* scanning_ = nullptr;
    PhotoResultView* result_ = nullptr;
    QWidget* empty_ = nullptr;
    QWidget* noAccess_ = nullptr;
    QLabel* noAccessTitle_ = nullptr;
    QLabel* noAccessDetail_ = nullptr;
    QWidget* failed_ = nullptr;
    QLabel* failedTitle_ = nullptr;
    QLabel* failedDetail_ = nullptr;
    QWidget* removing_ = nullptr;
    RemoveFinishedView* finished_ = nullptr;
    RemovingProgressWindowController* sheet_ = nullptr;
    // The images a removal run was asked to remove, and the driver's totals before it.
    std::vector<std::shared_ptr<photos::ScanImagesItem>> removingItems_;
    long long removedBefore_ = 0;
    std::int64_t removedSizeBefore_ = 0;
    std::chrono::steady_clock::time_point scanStartedAt_{};
    std::chrono::steady_clock::time_point removeStartedAt_{};
};

}  // namespace orvane::app
