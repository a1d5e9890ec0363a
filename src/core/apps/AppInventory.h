#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/apps/AppFileBaseModel.h"
#include "core/apps/AppFileSizer.h"
#include "core/apps/InstalledApp.h"
#include "core/apps/RelatedFile.h"
#include "platform/Layout.h"

namespace orvane::apps {

// Where a desktop convention keeps installed applications and what belongs to them. The app
// manager runs one scan pass over whichever inventory the layout calls for.
class AppInventory {
public:
    virtual ~AppInventory() = default;

    // The installed applications with their own files, ordered by bundle identifier.
    virtual std::vector<InstalledApp> installedApps(const std::atomic<bool>& cancelled) = 0;
    // The application's own files (its install, its copies); by default those discovery found.
    virtual std::vector<AppFileSource> appFiles(const InstalledApp& app) { return app.files; }
    // What else of an application's lies around, by kind. `index` is its place in the list
    // installedApps() returned.
    virtual std::vector<RelatedFile> relatedFiles(const InstalledApp& app, std::size_t index) = 0;
    // Seconds since 1970 of its most recent use; 0 when unknown.
    virtual double lastUsed(const InstalledApp& app, const std::vector<AppFilePtr>& appFiles) = 0;
    // Installed software that is not listed but whose files are not leftovers either
    // (identifier, name).
    virtual std::vector<std::pair<std::string, std::string>> otherInstalled() = 0;

    static std::unique_ptr<AppInventory> forLayout(const platform::Layout& layout,
                                                   const AppFileSizer& sizer);
};

}  // namespace orvane::apps
