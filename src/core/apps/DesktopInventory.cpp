#include "core/apps/DesktopInventory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "core/apps/BundleInventory.h"
#include "core/apps/DesktopAppDiscovery.h"
#include "core/apps/DpkgDatabase.h"
#include "core/apps/FlatpakDeploy.h"
#include "core/apps/SnapInfo.h"
#include "kit/Paths.h"

namespace orvane::apps {

std::unique_ptr<AppInventory> AppInventory::forLayout(const platform::Layout& layout,
                                                      const AppFileSizer& sizer) {
    if (layout.kind == platform::Layout::Kind::macOS)
        return std::make_unique<BundleInventory>(layout, sizer);
    return std::make_unique<DesktopInventory>(layout, sizer);
}

DesktopInventory::~DesktopInventory() = default;

void DesktopInventory::addPackages(std::vector<InstalledApp>& apps) const {
    if (layout_.packageDatabase.empty()) return;
    DpkgDatabase dpkg(layout_.packageDatabase, layout_.root);
    // An application's own entries first; then, for a user's edited copy of a packaged entry,
    // the system's copies of the same id, which are what dpkg knows.
    std::vector<std::vector<std::string>> candidates(apps.size());
    std::vector<std::string> all;
    for (std::size_t i = 0; i < apps.size(); ++i) {
        if (apps[i].kind != AppKind::desktop) continue;
        candidates[i] = apps[i].desktopEntries;
        for (const std::string& root : layout_.applicationRoots)
            for (const std::string& id : apps[i].desktopIds)
                candidates[i].push_back(root + "/" + id + ".desktop");
        all.insert(all.end(), candidates[i].begin(), candidates[i].end());
    }
    const auto owners = dpkg.owners(all);
    std::set<std::string> names;
    for (const auto& [path, package] : owners) names.insert(package);
    const auto packages = dpkg.packages({names.begin(), names.end()});
    for (std::size_t i = 0; i < apps.size(); ++i) {
        std::string package;
        for (const std::string& path : candidates[i])
            if (auto it = owners.find(path); it != owners.end()) {
                package = it->second;
                break;
            }
        if (package.empty()) continue;
        InstalledApp& app = apps[i];
        app.kind = AppKind::deb;
        AppFileSource record{dpkg.listFile(package), std::nullopt, package};
        if (auto it = packages.find(package); it != packages.end()) {
            app.version = it->second.version;
            record.size = it->second.installedSize;
        }
        app.files.push_back(std::move(record));
    }
}

std::vector<InstalledApp> DesktopInventory::installedApps(const std::atomic<bool>& cancelled) {
    DesktopDiscovery found = DesktopAppDiscovery(layout_).discover(&cancelled);
    std::vector<InstalledApp> apps = std::move(found.apps);
    otherInstalled_ = std::move(found.otherInstalled);

    for (InstalledApp& app : apps)
        for (const std::string& entry : app.desktopEntries)
            app.files.push_back({entry, std::nullopt, {}});
    addPackages(apps);
    if (cancelled.load()) return {};
    for (InstalledApp& app : apps) {
        switch (app.kind) {
            case AppKind::flatpak:
                if (app.path != app.desktopEntries.front()) {
                    const FlatpakDeploy deploy = FlatpakDeploy::read(app.path, app.bundleID);
                    app.version = deploy.version;
                    // The deploy folder stands for the application; its exported entries
                    // live and go with it.
                    app.files = {{app.path, deploy.installedSize, {}}};
                }
                break;
            case AppKind::snap:
                if (app.path != app.desktopEntries.front()) {
                    const SnapInfo info = SnapInfo::read(layout_.snapMountFolder,
                                                         layout_.snapPackagesFolder, app.bundleID);
                    app.version = info.version;
                    app.files = {{app.path, info.imagesSize, {}}};
                }
                break;
            case AppKind::appimage:
                app.files.insert(app.files.begin(), {app.path, std::nullopt, {}});
                break;
            default: break;
        }
    }
    std::sort(apps.begin(), apps.end(),
              [](const InstalledApp& a, const InstalledApp& b) { return a.bundleID < b.bundleID; });
    apps_ = apps;
    related_ = std::make_unique<XdgRelatedFiles>(layout_, apps_, otherInstalled_);
    return apps;
}

std::vector<RelatedFile> DesktopInventory::relatedFiles(const InstalledApp&, std::size_t index) {
    if (!related_ || index >= apps_.size()) return {};
    return related_->filesOf(index);
}

std::string DesktopInventory::resolveProgram(const std::string& program) const {
    if (program.empty()) return {};
    if (program.find('/') != std::string::npos)
        return program.front() == '/' ? layout_.root + program : "";
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        if (dir.empty() || dir.front() != '/') continue;
        const std::string candidate = layout_.root + std::string(dir) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

double DesktopInventory::lastUsed(const InstalledApp& app, const std::vector<AppFilePtr>&) {
    if (!recent_) recent_ = RecentlyUsed::load(layout_.recentlyUsedFile);
    double latest = recent_->lastUsed({app.appName, app.bundleID});
    for (const std::string& id : app.desktopIds) latest = std::max(latest, recent_->lastUsed(id));
    if (app.kind != AppKind::flatpak && app.kind != AppKind::snap && !app.program.empty())
        latest = std::max(latest, recent_->lastUsed(kit::directoryName(app.program)));
    if (latest > 0) return latest;

    // Nothing recorded: when its program was last read, which running it does.
    std::string executable;
    switch (app.kind) {
        case AppKind::appimage: executable = app.path; break;
        case AppKind::flatpak: {
            const FlatpakDeploy deploy = FlatpakDeploy::read(app.path, app.bundleID);
            if (!deploy.command.empty() && deploy.command.find('/') == std::string::npos)
                executable = deploy.activeFolder + "/files/bin/" + deploy.command;
            break;
        }
        case AppKind::snap: break;  // every snap runs through the same launcher
        default: executable = resolveProgram(app.program); break;
    }
    struct stat st {};
    if (executable.empty() || ::stat(executable.c_str(), &st) != 0) return 0;
    return static_cast<double>(st.st_atim.tv_sec) + st.st_atim.tv_nsec / 1e9;
}

}  // namespace orvane::apps
