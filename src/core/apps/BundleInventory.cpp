#include "core/apps/BundleInventory.h"

#include <dirent.h>

#include <algorithm>

#include "core/apps/AppIdentifiers.h"
#include "core/apps/BundleInfo.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::apps {

std::map<std::string, std::string> BundleInventory::getInstalledAppsBundleIds() const {
    std::map<std::string, std::string> result;
    const std::string ownId(kit::mainAppBundleID);
    for (const std::string& root : layout_.applicationRoots) {
        DIR* dir = ::opendir(root.c_str());
        if (!dir) continue;
        std::vector<std::string> names;
        while (dirent* e = ::readdir(dir)) {
            const std::string_view name = e->d_name;
            if (name.size() > 4 && name.ends_with(".app")) names.emplace_back(name);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            const std::string path = kit::joinPath(root, name);
            auto info = BundleInfo::read(path);
            if (!info) {
                ORVANE_LOG("Passing over " + kit::displayPath(path) + ": no readable Info.plist");
                continue;
            }
            const std::string& id = info->identifier;
            if (id.empty() || id.starts_with("io.realm.realmbrowser") || id.starts_with(ownId))
                continue;
            // The identifier names folders below the Library; one that is not a single
            // printable component could reach outside them.
            if (!isPrintableName(id)) {
                ORVANE_LOG("Passing over " + kit::displayPath(path) + ": odd bundle identifier");
                continue;
            }
            result[id] = path;
        }
    }
    return result;
}

std::vector<InstalledApp> BundleInventory::installedApps(const std::atomic<bool>& cancelled) {
    std::vector<InstalledApp> apps;
    for (const auto& [bundleID, path] : getInstalledAppsBundleIds()) {
        if (cancelled.load()) break;
        InstalledApp app;
        app.bundleID = bundleID;
        app.kind = AppKind::bundle;
        app.path = path;
        std::string name = kit::directoryName(path);
        for (auto at = name.find(".app"); at != std::string::npos; at = name.find(".app"))
            name.erase(at, 4);
        app.appName = name;
        if (auto info = BundleInfo::read(path))
            app.version = !info->shortVersion.empty() ? info->shortVersion : info->version;
        apps.push_back(std::move(app));
    }
    return apps;
}

std::vector<AppFileSource> BundleInventory::appFiles(const InstalledApp& app) {
    std::vector<AppFileSource> files;
    for (std::string& copy : sizer_.spotlight().allAppPathsByMDFind(app.bundleID))
        files.push_back({std::move(copy), std::nullopt, {}});
    return files;
}

std::vector<RelatedFile> BundleInventory::relatedFiles(const InstalledApp& app, std::size_t) {
    return related_.scanAppRelatedFiles(app.bundleID, app.appName);
}

double BundleInventory::lastUsed(const InstalledApp&, const std::vector<AppFilePtr>& appFiles) {
    double latest = 0;
    for (const AppFilePtr& file : appFiles) {
        auto text = sizer_.spotlight().mdlsLastUsed(file->url);
        if (!text) continue;
        if (auto seconds = SpotlightTools::parseLastUsed(*text))
            latest = std::max(latest, *seconds);
    }
    return latest;
}

}  // namespace orvane::apps
