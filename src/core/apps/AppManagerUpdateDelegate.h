#pragma once

#include <string>
#include <vector>

#include "core/apps/AppModel.h"

namespace orvane::apps {

class AppManager;

// What the app manager tells the update screen. Every call arrives on the main thread, in the
// order made.
class AppManagerUpdateDelegate {
public:
    virtual ~AppManagerUpdateDelegate() = default;

    // The stores were asked which installed applications have a newer version; `apps` are those
    // that do. `error` tells what could not be asked (empty when everything answered).
    virtual void appManagerDidFinishCheckingUpdates(AppManager& /*manager*/,
                                                    const std::vector<AppModelPtr>& /*apps*/,
                                                    const std::string& /*error*/) {}

    virtual void appManagerDidStartUpdate(AppManager& /*manager*/) {}
    // One application's update begins; `percent` reports follow when its store tells.
    virtual void appManagerDidStartUpdatingApp(AppManager& /*manager*/,
                                               const AppModelPtr& /*app*/) {}
    virtual void appManagerDidUpdateAppProgress(AppManager& /*manager*/, const AppModelPtr& /*app*/,
                                                int /*percent*/) {}
    // One application is done (its `updateError` is empty on success); `currentCount` of
    // `totalCount` have had their turn.
    virtual void appManagerDidUpdatingApp(AppManager& /*manager*/, const AppModelPtr& /*app*/,
                                          int /*currentCount*/, int /*totalCount*/) {}
    virtual void appManagerDidFinishUpdate(AppManager& /*manager*/, int /*successFileCount*/,
                                           int /*totalFileCount*/) {}
};

}  // namespace orvane::apps
