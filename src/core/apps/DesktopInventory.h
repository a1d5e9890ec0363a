#pragma once

#include <memory>
#include <optional>

#include "core/apps/AppInventory.h"
#include "core/apps/RecentlyUsed.h"
#include "core/apps/XdgRelatedFiles.h"

namespace orvane::apps {

// Applications of a freedesktop system in the four forms people install them: Debian packages
// (desktop entries mapped to their package), flatpaks (user and system installations), snaps
// and AppImages; entries no package manager owns are listed as hand-made.
class DesktopInventory : public AppInventory {
public:
    DesktopInventory(const platform::Layout& layout, const AppFileSizer& sizer)
        : layout_(layout), sizer_(sizer) {}
    ~DesktopInventory() override;

    std::vector<InstalledApp> installedApps(const std::atomic<bool>& cancelled) override;
    std::vector<RelatedFile> relatedFiles(const InstalledApp& app, std::size_t index) override;
    double lastUsed(const InstalledApp& app, const std::vector<AppFilePtr>& appFiles) override;
    std::vector<std::pair<std::string, std::string>> otherInstalled() override {
        return otherInstalled_;
    }

    // The file a program name runs: itself when it holds a slash, else the first executable of
    // that name on PATH (below the layout's root).
    std::string resolveProgram(const std::string& program) const;

private:
    void addPackages(std::vector<InstalledApp>& apps) const;

    const platform::Layout& layout_;
    const AppFileSizer& sizer_;
    std::vector<InstalledApp> apps_;
    std::vector<std::pair<std::string, std::string>> otherInstalled_;
    std::unique_ptr<XdgRelatedFiles> related_;
    std::optional<RecentlyUsed> recent_;
};

}  // namespace orvane::apps
