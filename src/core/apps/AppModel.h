#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/apps/AppFileBaseModel.h"
#include "core/apps/AppKind.h"

namespace orvane::apps {

struct AppUpdateInfo;

// One application: installed, or the leftovers of one that is gone (`isResidual`). Filled by
// the scan pass and then shared with the screens, which set the selection flags on the main
// thread.
class AppModel {
public:
    AppModel(std::string appName, std::string bundleID, bool isResidual)
        : appName(std::move(appName)), bundleID(std::move(bundleID)), isResidual(isResidual) {}

    std::string appName;
    std::string bundleID;
    // Empty at creation and left so: the versions that updating compares live in updateInfo.
    std::string version;
    std::shared_ptr<AppUpdateInfo> updateInfo;

    std::vector<AppFilePtr> appFiles;
    std::vector<AppFilePtr> peferenceFiles;
    std::vector<AppFilePtr> appSupportFiles;
    std::vector<AppFilePtr> logFiles;
    std::vector<AppFilePtr> otherFiles;

    bool isResidual = false;
    bool isSelectedUpdate = false;
    // Why its last update failed; empty when it did not.
    std::string updateError;
    // Seconds since 1970 of the most recent use; 0 when unknown.
    double timeInterval = 0;
    bool isSelected = false;

    // What the installer says about the application, shown beside its name: how it was
    // installed, its installed version, its icon (a theme name or a file) and where it lives.
    AppKind kind = AppKind::bundle;
    std::string installedVersion;
    std::string iconName;
    std::string path;

    // For a residual app the four related lists; otherwise appFiles followed by them.
    std::vector<AppFilePtr> allSubFiles() const;
    // The sum of `size` over all five lists.
    std::uint64_t totalSize() const;
    // Selects or clears every file of the app, then the app itself.
    void setItemState(bool newState);
};

using AppModelPtr = std::shared_ptr<AppModel>;

}  // namespace orvane::apps
