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

#include "core/files/ScanDriver.h"
#include "core/junk/ClaimedPaths.h"
#include "core/junk/CleanBaseModel.h"
#include "core/junk/CleanOperation.h"
#include "core/junk/CleanPreference.h"
#include "core/junk/InstalledApps.h"
#include "core/junk/ScanOperation.h"
#include "core/junk/TrashCleanManagerDelegate.h"
#include "core/junk/TrashScanManagerDelegate.h"
#include "kit/OperationQueue.h"

namespace orvane::files {
class FileRemover;
}

namespace orvane::junk {

class AuthoredHelper;

// Where a junk scan looks and what it knows; the program uses the running system's, tests and
// the command line can hand in their own.
struct JunkSetup {
    std::function<std::shared_ptr<RuleEnvironment>()> environment;
    std::function<std::optional<std::string>(const platform::Layout&)> ruleDocument;
    // Nothing: the plain index of the layout (desktop entries or bundles).
    InstallBundleProvider installed;
    std::string mountInfoPath = "/proc/self/mountinfo";
    // Where running programs are listed (their caches are offered unticked).
    std::string procRoot = "/proc";
    // Removes what the user may not; nothing: the program's one shared authorization.
    AuthoredHelper* authoredHelper = nullptr;

    static JunkSetup current();
};

// The junk scan and cleaning: five kinds, each scanned by its own operation on one serial queue,
// in the order system, applications, Trash, installer packages, internet. Results stay in the
// five models until the next scan; cleaning deletes their selected items, one operation per kind
// on the serial clean queue.
class CleanManager : public orvane::files::ScanDriver {
public:
    explicit CleanManager(JunkSetup setup = JunkSetup::current());
    // The program's one junk driver, on the running system's layout.
    static CleanManager& shared();
    ~CleanManager() override;
    CleanManager(const CleanManager&) = delete;
    CleanManager& operator=(const CleanManager&) = delete;

    std::atomic<ScanState> scanState{ScanState::idle};
    std::atomic<CleanState> cleanState{CleanState::idle};
    std::atomic<double> cleanProgress{0};
    std::weak_ptr<TrashScanManagerDelegate> scanDelegate;
    std::weak_ptr<TrashCleanManagerDelegate> cleanDelegate;
    // Disk space freed by the running or last cleaning (blocks of what was removed, not what was
    // already gone).
    std::atomic<std::uint64_t> cleanedSize{0};
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
    void waitUntilScanFinished() override;

    // The contract every module's driver keeps; the screens and the program's shutdown use it.
    void startScanning() override { startScan(); }
    void stopScanning() override { stopScan(); }
    // Stops the scan and the cleaning after the item in hand and waits for both.
    void stopAndWait() override;
    // What the scan has found so far: items and their bytes (junk has no file kinds).
    orvane::files::ScanTotals scanTotals() const override;

    // Cleaning on the driver's own thread: startCleanTrash, one operation per kind, then
    // cleanTrashCompleted (or stopCleanTrash after stopClean()).
    void startClean();
    // The same on the calling thread; returns when done or stopped.
    void cleanAcition();
    void stopClean();
    void pauseClean();
    void resumeClean();
    void waitUntilCleanFinished();

    const JunkSetup& setup() const { return setup_; }
    // Why the rules could not be used in the last scan (the built-in lists still ran).
    std::string ruleError() const;

private:
    std::shared_ptr<TrashScanManagerDelegate> delegate() const { return scanDelegate.lock(); }
    std::shared_ptr<TrashCleanManagerDelegate> cleaner() const { return cleanDelegate.lock(); }
    void markRunningApps();
    void runClean();
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
    std::atomic<std::int64_t> foundCount_{0};
    std::vector<CleanOperationPtr> cleanOperations_;
    std::thread cleanThread_;
    std::atomic<bool> cleanStopRequested_{false};
    std::unique_ptr<orvane::files::FileRemover> remover_;
};

}  // namespace orvane::junk
