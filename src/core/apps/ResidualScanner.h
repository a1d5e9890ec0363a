#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/apps/AppFileSizer.h"
#include "core/apps/AppModel.h"
#include "platform/Layout.h"

namespace orvane::apps {

// Finds the leftovers of applications that are gone: entries of the per-application data
// folders named by a bundle identifier that no installed application accounts for, grouped
// into one residual AppModel per identifier.
class ResidualScanner {
public:
    // (bundle identifier, name) of every installed application, in scan order.
    using InstalledAppInfo = std::vector<std::pair<std::string, std::string>>;

    ResidualScanner(const platform::Layout& layout, const AppFileSizer& sizer)
        : layout_(layout), sizer_(sizer) {}

    // One residual app per identifier, ordered by identifier.
    std::vector<AppModelPtr> scanResidualApps(const InstalledAppInfo& installedAppInfo,
                                              const std::atomic<bool>* cancelled = nullptr) const;

    // The bundle identifier an entry of a data folder is named by, if any.
    std::optional<std::string> extractBundleID(const platform::Layout::AppDataFolder& folder,
                                               const std::string& name) const;

    struct Match {
        bool isInstalled = false;
        std::optional<std::string> matchedResidualsKey;
    };
    // Whether an entry belongs to an installed application, else to a residual app already
    // found (keys in the order they were found).
    static Match matchesApp(const std::string& itemName,
                            const std::optional<std::string>& extractedBundleID,
                            const InstalledAppInfo& installedAppInfo,
                            const std::vector<std::pair<std::string, AppModelPtr>>& residualMap);

private:
    void addFileToResidualApp(AppModel& app, const std::string& path,
                              platform::Layout::AppDataFolder::Role role) const;

    const platform::Layout& layout_;
    const AppFileSizer& sizer_;
};

}  // namespace orvane::apps
