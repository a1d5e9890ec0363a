#pragma once

#include <map>
#include <string>

#include "core/apps/AppInventory.h"
#include "core/apps/LibraryRelatedFiles.h"

namespace orvane::apps {

// Applications of a macOS layout: bundles in the application folders and on the desktop, their
// copies and use from the metadata index, their files in the Library folders.
class BundleInventory : public AppInventory {
public:
    BundleInventory(const platform::Layout& layout, const AppFileSizer& sizer)
        : layout_(layout), sizer_(sizer), related_(layout) {}

    // Bundle identifier → bundle path of the bundles in the application roots; a later root
    // wins, so a copy on the desktop replaces the one in /Applications.
    std::map<std::string, std::string> getInstalledAppsBundleIds() const;

    std::vector<InstalledApp> installedApps(const std::atomic<bool>& cancelled) override;
    // Every copy the metadata index knows; the one discovery found is not added by itself.
    std::vector<AppFileSource> appFiles(const InstalledApp& app) override;
    std::vector<RelatedFile> relatedFiles(const InstalledApp& app, std::size_t index) override;
    double lastUsed(const InstalledApp& app, const std::vector<AppFilePtr>& appFiles) override;
    std::vector<std::pair<std::string, std::string>> otherInstalled() override { return {}; }

private:
    const platform::Layout& layout_;
    const AppFileSizer& sizer_;
    LibraryRelatedFiles related_;
};

}  // namespace orvane::apps
