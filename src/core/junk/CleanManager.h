#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/junk/ClaimedPaths.h"
#include "core/junk/CleanBaseModel.h"
#include "core/junk/CleanPreference.h"
#include "core/junk/InstalledApps.h"
#include "core/junk/ScanOperation.h"
#include "core/junk/TrashScanManagerDelegate.h"
#include "kit/OperationQueue.h"

namespace orvane::junk {

// Where a junk scan looks and what it knows; the program uses the running system's, tests and
// the command line can hand in their own.
struct JunkSetup {
    std::function<std::shared_ptr<RuleEnvironment>()> environment;
    std::function<std::optional<std::string>(const platform::Layout&)> ruleDocument;
    // Nothing: the plain index of the layout (desktop entries or bundles).
    InstallBundleProvider installed;
    std::string mountInfoPath = "/proc/self/mountinfo";

    static JunkSetup current();
};

// The junk scan: five kinds, each scanned by its own operation on one serial queue, in the order
// system, applications, Trash, installer packages, internet. Results stay in the five models
// until the next scan; nothing is removed here.
class CleanManager {
public:
    explicit CleanManager(JunkSetup setup = JunkSetup::current());
    // The program's one junk driver, on the running system's layout.
    static CleanManager& shared();
    ~CleanManager();
    CleanManager(const CleanManager&) = delete;
    CleanManager& operator=(const CleanManager&) = delete;

    std::atomic<ScanState> scanState{ScanState::idle};
    std::atomic<CleanState> cleanState{CleanState::idle};
    std::atomic<double> cleanProgress{0};
    std::weak_ptr<TrashScanManagerDelegate> scanDelegate;
    std::atomic<std::uint64_t> totalJunkSize{0};
    // The overall progress of the running scan, 0...1.
    std::atomic<double> scanProgress{0};

    std::shared_ptr<CleanAppCacheModel> cleanAppCacheModel;
    std::shared_ptr<CleanSystemJunkModel> cleanSystemJunkModel;
    std::shared_ptr<CleanPackageModel> cleanPackageModel;
    std::shared_ptr<CleanTrashModel> cleanTrashModel;
    std::shared_ptr<CleanNetJunkModel> cleanNetModel;
    std::shared_ptr<CleanPreference> cleanPreference;

    kit::OperationQueue scanQueue{"scanQueue", 1};
    kit::OperationQueue cleanQueue{"cleanQueue", 1};

    // Only the Trash and installer packages (a quick look).
    bool onlyTest = false;
    // The kinds to scan, as CleanJunkType bits.
    std::uint32_t scanKinds = kAllJunkTypes;

    void beforeScan();
    // Runs the whole scan on the calling thread; returns when it is done or stopped.
    void scanAcition();
    void stopScan();
    std::vector<CleanBaseModelPtr> getModels() const;
    void reloadDatas();

    // The scan on the driver's own thread: beforeScan and scanAcition.
    void startScan();
    void waitUntilScanFinished();

    const JunkSetup& setup() const { return setup_; }
    // Why the rules could not be used in the last scan (the built-in lists still ran).
    std::string ruleError() const;

private:
    std::shared_ptr<TrashScanManagerDelegate> delegate() const { return scanDelegate.lock(); }
    long estimateScanCount(const std::shared_ptr<CleanPreference>& preference) const;
    double raiseProgress(double value);
    static double bandEndFor(std::uint32_t junkType);

    JunkSetup setup_;
    std::shared_ptr<RuleEnvironment> env_;
    std::shared_ptr<ClaimedPaths> claimed_;
    mutable std::mutex opsLock_;
    std::vector<std::shared_ptr<ScanOperation>> operations_;
    std::thread scanThread_;
    std::atomic<bool> stopRequested_{false};
};

}  // namespace orvane::junk
