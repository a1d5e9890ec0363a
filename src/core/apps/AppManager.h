#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/apps/AppCleaningLog.h"
#include "core/apps/AppFileSizer.h"
#include "core/apps/AppManageItemSortType.h"
#include "core/apps/AppManagerDelegate.h"
#include "core/apps/AppManagerUpdateDelegate.h"
#include "core/apps/AppModel.h"
#include "core/apps/AppUpdateInfo.h"
#include "core/apps/AptRemovalPlan.h"
#include "core/apps/InstalledApp.h"
#include "core/apps/ToolOutcome.h"
#include "core/files/FileRemover.h"
#include "core/files/ScanDriver.h"
#include "kit/DispatchQueue.h"
#include "kit/MainQueue.h"
#include "platform/Layout.h"

namespace orvane::apps {

class AppInventory;
class AppPrivileges;
class AppManagerUpdateDelegate;
class AppStoreLookup;

// Lists the installed applications with the files that belong to them outside their install
// (settings, data, logs, caches, containers) and finds the leftovers of applications that are
// gone. One instance serves the program (shared()); tests and the command line make their own
// over a layout of their choosing.
//
// Threading: a pass runs on `scanQueue`, which alone writes the lists while it runs; every
// delegate call is posted to the main queue in order, and the lists may be read from the main
// thread once appManagerDidFinishScan arrived. The sorts run wherever the caller is and must
// not overlap a pass.
class AppManager : public files::ScanDriver {
public:
    static AppManager& shared();

    explicit AppManager(platform::Layout layout);
    ~AppManager() override;
    AppManager(const AppManager&) = delete;
    AppManager& operator=(const AppManager&) = delete;

    std::weak_ptr<AppManagerDelegate> delegate;
    std::weak_ptr<AppManagerUpdateDelegate> updateDelegate;
    // Who acts with administrator rights; the program's helper when not set (tests set their
    // own).
    std::shared_ptr<AppPrivileges> privileges;

    // The installed applications (not the system's own), the leftovers of removed ones, the
    // system's own applications (never offered for removal) and, for removal, store copies.
    std::vector<AppModelPtr> apps;
    std::vector<AppModelPtr> residualApps;
    std::vector<AppModelPtr> appleApps;
    std::vector<AppModelPtr> deleteAppStoreApps;

    std::atomic<bool> isScanningCancelled{false};
    std::atomic<bool> isCleaningCancelled{false};
    std::atomic<bool> isUpdatingCancelled{false};

    kit::DispatchQueue scanQueue{"com.appmanager.scan"};
    // Removal and update runs, one after another, off the main thread.
    kit::DispatchQueue workQueue{"com.appmanager.work"};

    // (bundle identifier, name) of the applications of the current pass, in scan order.
    std::vector<std::pair<std::string, std::string>> installedAppInfo;

    // Starts one full pass on scanQueue and returns at once. A pass asked for while one runs
    // follows it.
    void scanApp();
    // The pass stops at its next application and still reports appManagerDidFinishScan.
    void cancelScan() { isScanningCancelled.store(true); }
    // Blocks until every pass asked for so far has ended. For the command line and tests.
    void waitUntilScanFinished() override { scanQueue.drain(); }

    // The contract every module's driver keeps; the screens and the program's shutdown use it.
    void startScanning() override { scanApp(); }
    void stopScanning() override { cancelScan(); }
    // Stops the pass, a removal and an update check at their next step and waits for them.
    void stopAndWait() override;
    // Apps and leftovers found so far, with the bytes of all their records.
    files::ScanTotals scanTotals() const override;

    // --- Removal ---------------------------------------------------------------------------
    // Removes what is ticked in `residualApps` (true) or `apps` (false) on the calling thread,
    // reports through the delegate and returns the per-app logs.
    std::vector<AppCleaningLog> startClean(bool isCleaningResiduals);
    // The same run on workQueue; returns at once.
    void startCleanInBackground(bool isCleaningResiduals);
    // Every app in order, then the package managers' and administrator steps, then pruning.
    std::vector<AppCleaningLog> cleanSelectedFiles(const std::vector<AppModelPtr>& list);
    // The ticked records of one app the program removes itself; the rest wait for the run's
    // later step (see RemovalRoute).
    AppCleaningLog cleanSelectedFiles(const AppModelPtr& app);
    // Deletes a record for good when it still is what the scan saw.
    files::RemovalResult deleteFile(const AppFileBaseModel& file) const;
    // Runs the deferred steps for the ticked records of `list` that a package manager or the
    // administrator removes; the outcome of each such record, in order.
    std::vector<std::pair<AppFilePtr, ToolOutcome>> rootDeleteApps(
        const std::vector<AppModelPtr>& list);
    // Drops the records of `app` that no longer exist, then every app left with nothing.
    void updateAppModel(const AppModelPtr& app, bool removingDeletedFiles);
    // What apt would remove for the Debian packages ticked in `list`, and which it refuses.
    static AptRemovalPlan debianRemovalPlan(const std::vector<AppModelPtr>& list);
    // The Debian package names ticked in `list`, in list order; read on the thread that owns
    // the lists.
    static std::vector<std::string> tickedPackageNames(const std::vector<AppModelPtr>& list);
    // Asks apt about `names` on workQueue, since resolving can take long enough to freeze a
    // window, and hands the plan to `done` on the main queue. Setting `*stop` ends the
    // simulation early; `done` still gets the (refusing) plan.
    void debianRemovalPlanInBackground(std::vector<std::string> names,
                                       std::shared_ptr<std::atomic<bool>> stop,
                                       std::function<void(const AptRemovalPlan&)> done);
    // Blocks until every removal and update run asked for so far has ended.
    void waitUntilWorkFinished() { workQueue.drain(); }

    // --- Updates -----------------------------------------------------------------------------
    // The store lookup service's address (scheme, host, optional port); empty: no lookups.
    std::string storeLookupURL;
    // Asks the lookup service for a newer version of an app with a store copy (macOS layout)
    // and sets or clears its updateInfo. Blocks for the request.
    void requestUpdateInfo(const AppModelPtr& app, const std::string& country,
                           bool allowFallbackToUS);
    // Asks flatpak (each installation) and snap which installed apps have updates, sets their
    // updateInfo and clears the others'; returns what could not be asked, "" when all answered.
    std::string checkStoreUpdates();
    // The same on workQueue, reported by appManagerDidFinishCheckingUpdates.
    void checkStoreUpdatesInBackground();
    // The apps (installed and the system's own) with an update on offer.
    std::vector<AppModelPtr> appsWithUpdates() const;
    // The region the store is asked for: the session's, lower-case; "us" when none.
    static std::string regionCode();
    // Updates the ticked apps one after another on the calling thread; returns the number
    // that succeeded.
    int updateApps();
    void updateAppsInBackground();

    // Stable re-orderings of `apps`.
    void sortAppsByName();
    void sortAppsBySize(bool isLargeUp);
    void sortAppsByDate(bool isOldUp);
    void sortApps(AppManageItemSortType type);
    // The same orders for any list (the residual list too).
    static void sortApps(std::vector<AppModelPtr>& list, AppManageItemSortType type);

    // --- Tools shared with removal and updating -------------------------------------------
    std::int64_t calculateFileSize(const std::string& path) const {
        return sizer_.calculateFileSize(path);
    }
    std::uint64_t mdlsFileSize(const std::string& path) const {
        return sizer_.spotlight().mdlsFileSize(path);
    }
    std::int64_t fastDirectorySize(const std::string& path, bool skipPackages,
                                   bool skipHiddens) const {
        return sizer_.fastDirectorySize(path, skipPackages, skipHiddens);
    }
    static std::int64_t logicalOrAllocatedSize(const std::string& path) {
        return AppFileSizer::logicalOrAllocatedSize(path);
    }
    static std::optional<std::string> appVersion(const std::string& bundlePath);
    static bool directoryExists(const std::string& path) {
        return AppFileSizer::directoryExists(path);
    }
    std::vector<std::string> allAppPathsByMDFind(const std::string& bundleID) const {
        return sizer_.spotlight().allAppPathsByMDFind(bundleID);
    }
    // Leftovers of applications that are not in `installedAppInfo` (see ResidualScanner).
    std::vector<AppModelPtr> scanResidualApps(
        const std::vector<std::pair<std::string, std::string>>& installedAppInfo) const;

    const platform::Layout& layout() const { return layout_; }

private:
    void runScan();
    std::atomic<std::int64_t> foundCount_{0};
    std::atomic<std::uint64_t> foundBytes_{0};
    ToolOutcome updateOne(const AppModelPtr& app);
    AppPrivileges& privilegedHelper();
    AppFilePtr makeRecord(const std::string& path, AppFileType type,
                          std::optional<std::uint64_t> knownSize) const;
    // Delegate calls go to the main queue in the order made; a manager gone by the time one
    // runs (a test's, the command line's) is not called into.
    template <class F>
    void notify(F&& call) {
        notifyTo(delegate, std::forward<F>(call));
    }
    template <class D, class F>
    void notifyTo(const std::weak_ptr<D>& observer, F&& call) {
        kit::delay(0, [alive = alive_, observer, call = std::forward<F>(call)]() mutable {
            if (!*alive) return;
            if (auto strong = observer.lock()) call(*strong);
        });
    }

    platform::Layout layout_;
    AppFileSizer sizer_;
    // Records in protected places the program could not remove; the administrator step of the
    // running removal takes them. Written by that run only.
    std::vector<std::pair<AppModelPtr, AppFilePtr>> pendingPrivileged_;
    // Apps of the running removal whose sandbox data (~/.var/app/<id>, ~/snap/<name>) was ticked.
    std::set<const AppModel*> sandboxDataTicked_;
    // Read and cleared on the main thread only; posted delegate calls check it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace orvane::apps
