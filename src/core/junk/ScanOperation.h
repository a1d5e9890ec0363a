#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "core/junk/ClaimedPaths.h"
#include "core/junk/CleanBaseModel.h"
#include "core/junk/CleanPreference.h"
#include "kit/Operation.h"

namespace orvane::junk {

// Scans one kind of junk into its model, on the scan queue. Before every rule group, action and
// hit it passes a pause point, which is also where a stop takes effect.
class ScanOperation final : public kit::Operation {
public:
    using ScanInfoBlock = std::function<void(ScanStageType stage, const CleanBaseItemPtr& item,
                                             const std::string& message, long scannedCount)>;

    ScanOperation(CleanBaseModelPtr model, std::shared_ptr<CleanPreference> preference,
                  std::shared_ptr<ClaimedPaths> claimed, std::set<std::string> installedBundleIds);

    CleanBaseModelPtr model;
    std::shared_ptr<CleanPreference> prefererence;
    std::atomic<bool> isPaused{false};
    std::atomic<bool> isRunning{true};
    long allScanCounts = 1;
    CategoryItemPtr categoryItem;
    std::set<std::string> installedBundleIds;

    void setCallbacks(ScanInfoBlock info, std::function<void()> pause,
                      std::function<void()> suspend, std::function<void()> cancelled);
    // Stops the scan at its next pause point; the cancel callback runs once.
    void cancelScan();
    void pause();
    void resume();

    // The overall progress of a stage's share of the scan: each kind owns a band of the bar.
    static double overallProgress(ScanStageType stage, long scannedCount, long allScanCounts);

    long scannedCount() const { return count_; }

protected:
    void main() override;

private:
    bool pausePoint();
    void report(ScanStageType stage, const CleanBaseItemPtr& item);
    void message(ScanStageType stage, const std::string& text);
    bool addItem(const CleanBaseItemPtr& item, ScanStageType stage);

    long scanWithXMLRules(const CategoryItemPtr& category, ScanStageType scanStage);
    void scanSystemJunkLegacy();
    void scanLoginArtifacts();
    void scanAppJunk();
    void scanTrashJunk();
    void scanPackageJunk();
    CleanBaseItemPtr createCleanItem(const ResultItemPtr& hit) const;

    std::shared_ptr<ClaimedPaths> claimed_;
    std::mutex pauseLock;
    std::condition_variable pauseCondition_;
    std::mutex callbackLock_;
    ScanInfoBlock scanInfoBlock;
    std::function<void()> scanPauseBlock, scanSuspendBlock, scanCancelBlock;
    std::atomic<bool> cancelReported_{false};
    long count_ = 0;
};

}  // namespace orvane::junk
