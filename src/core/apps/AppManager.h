#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/apps/AppFileSizer.h"
#include "core/apps/AppManageItemSortType.h"
#include "core/apps/AppManagerDelegate.h"
#include "core/apps/AppModel.h"
#include "core/apps/InstalledApp.h"
#include "kit/DispatchQueue.h"
#include "platform/Layout.h"

namespace orvane::apps {

class AppInventory;

// Lists the installed applications with the files that belong to them outside their install
// (settings, data, logs, caches, containers) and finds the leftovers of applications that are
// gone. One instance serves the program (shared()); tests and the command line make their own
// over a layout of their choosing.
//
// Threading: a pass runs on `scanQueue`, which alone writes the lists while it runs; every
// delegate call is posted to the main queue in order, and the lists may be read from the main
// thread once appManagerDidFinishScan arrived. The sorts run wherever the caller is and must
// not overlap a pass.
class AppManager {
public:
    static AppManager& shared();

    explicit AppManager(platform::Layout layout);
    ~AppManager();
    AppManager(const AppManager&) = delete;
    AppManager& operator=(const AppManager&) = delete;

    std::weak_ptr<AppManagerDelegate> delegate;

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

    // (bundle identifier, name) of the applications of the current pass, in scan order.
    std::vector<std::pair<std::string, std::string>> installedAppInfo;

    // Starts one full pass on scanQueue and returns at once. A pass asked for while one runs
    // follows it.
    void scanApp();
    // The pass stops at its next application and still reports appManagerDidFinishScan.
    void cancelScan() { isScanningCancelled.store(true); }
    // Blocks until every pass asked for so far has ended. For the command line and tests.
    void waitUntilScanFinished() { scanQueue.drain(); }

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
    AppFilePtr makeRecord(const std::string& path, AppFileType type,
                          std::optional<std::uint64_t> knownSize) const;
    template <class F>
    void notify(F&& call);

    platform::Layout layout_;
    AppFileSizer sizer_;
    // Read and cleared on the main thread only; posted delegate calls check it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace orvane::apps
