#pragma once

#include <cstdint>
#include <vector>

#include "core/apps/AppFileBaseModel.h"
#include "core/apps/AppModel.h"

namespace orvane::apps {

class AppManager;
struct AppCleaningLog;

// What the app manager tells the screen watching it. Every call arrives on the main thread, in
// the order it was made; each has an empty default so an observer implements what it shows.
class AppManagerDelegate {
public:
    virtual ~AppManagerDelegate() = default;

    // --- Scanning ---
    virtual void appManagerDidStartScan(AppManager& /*manager*/) {}
    // `progress` applications of `total` are done.
    virtual void appManagerDidUpdateProgress(AppManager& /*manager*/, int /*progress*/,
                                             int /*total*/) {}
    virtual void appManagerDidFinishScanningApp(AppManager& /*manager*/,
                                                const AppModelPtr& /*app*/) {}
    // The last call of a pass, also after a cancellation; `apps` holds what was scanned.
    virtual void appManagerDidFinishScan(AppManager& /*manager*/,
                                         const std::vector<AppModelPtr>& /*apps*/) {}

    // --- Removal ---
    virtual void appManagerDidStartCleaningApp(AppManager& /*manager*/,
                                               const AppModelPtr& /*app*/) {}
    virtual void appManagerDidUpdateCleanProgress(AppManager& /*manager*/, int /*progress*/,
                                                  int /*total*/, std::uint64_t /*currentSize*/) {}
    virtual void appManagerDidFinishCleaningFile(AppManager& /*manager*/,
                                                 const AppFilePtr& /*file*/, bool /*success*/) {}
    virtual void appManagerDidFinishCleaning(AppManager& /*manager*/,
                                             const std::vector<AppCleaningLog>& /*logs*/) {}
};

}  // namespace orvane::apps
