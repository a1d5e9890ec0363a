#include "core/apps/InstallAppHelper.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>

#include "core/apps/BundleInfo.h"
#include "core/apps/DesktopAppDiscovery.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::apps {

namespace {

// The entries of a folder, or nothing (and the reason) when it cannot be listed.
std::optional<std::vector<std::string>> listFolder(const std::string& folder, std::string* error) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        if (error) *error = std::strerror(errno);
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir)) {
        std::string_view name = e->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool hasAppExtension(std::string_view name) {
    std::string ext(kit::pathExtension(name));
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == "app";
}

std::string bundleIdentifier(const std::string& path) {
    auto info = BundleInfo::read(path);
    return info ? info->identifier : std::string();
}

std::map<std::string, std::string> macInstalledBundles(const platform::Layout& layout) {
    std::map<std::string, std::string> result;
    if (layout.applicationRoots.empty()) return result;
    const std::string& applications = layout.applicationRoots.front();
    std::string error;
    auto top = listFolder(applications, &error);
    if (!top) {
        ORVANE_LOG("getInstallBundleIds exception = " + error);
        return result;
    }
    std::vector<std::string> candidates;
    for (const std::string& name : *top) {
        const std::string path = kit::joinPath(applications, name);
        if (!bundleIdentifier(path).empty() || !isFolder(path)) continue;
        // Suites install into a folder of their own ("/Applications/Office/Word.app").
        if (auto children = listFolder(path, nullptr))
            for (const std::string& child : *children)
                if (hasAppExtension(child)) candidates.push_back(kit::joinPath(path, child));
    }
    for (const std::string& name : *top) candidates.push_back(kit::joinPath(applications, name));
    for (const std::string& path : candidates) {
        if (!hasAppExtension(path)) continue;
        std::string key = bundleIdentifier(path);
        if (key.empty()) key = kit::directoryName(path);
        if (key.find("com.microsoft") != std::string::npos &&
            key.find("com.microsoft.edgemac") == std::string::npos && key != "com.microsoft.VSCode")
            continue;
        result[key] = path;
    }
    for (const std::string& folder : layout.inputMethodFolders) {
        auto methods = listFolder(folder, &error);
        if (!methods) {
            ORVANE_LOG("getInstallBundleIds exception = " + error);
            continue;
        }
        for (const std::string& name : *methods) {
            if (name.front() == '.') continue;
            const std::string path = kit::joinPath(folder, name);
            if (std::string id = bundleIdentifier(path); !id.empty()) result[id] = path;
        }
    }
    return result;
}

}  // namespace

std::map<std::string, std::string> InstallAppHelper::getInstallBundleIds(
    const std::vector<std::string>& applicationPaths) const {
    std::map<std::string, std::string> result;
    if (layout_.kind == platform::Layout::Kind::freedesktop) {
        // Folder by folder, so a later folder wins as it does for bundles.
        for (const std::string& folder : applicationPaths) {
            DesktopAppDiscovery discovery(layout_);
            for (const InstalledApp& app : discovery.discover({folder}, {folder}).apps)
                result[app.bundleID] = app.path;
        }
        return result;
    }
    const std::string ownId(kit::mainAppBundleID);
    for (const std::string& folder : applicationPaths) {
        auto names = listFolder(folder, nullptr);
        if (!names) continue;
        for (const std::string& name : *names) {
            if (!name.ends_with(".app")) continue;
            const std::string path = kit::joinPath(folder, name);
            const std::string id = bundleIdentifier(path);
            if (id.empty() || id.starts_with("io.realm.realmbrowser") ||
                id.starts_with("com.apple.") || id.starts_with(ownId))
                continue;
            result[id] = path;
        }
    }
    return result;
}

SandboxType InstallAppHelper::getAppSandboxType(std::string_view bundleId,
                                                std::string_view /*appPath*/) const {
    if (bundleId.empty()) return SandboxType::none;
    struct stat st {};
    const std::string id(bundleId);
    if (!layout_.containers.empty() &&
        ::stat(kit::joinPath(layout_.containers, id).c_str(), &st) == 0)
        return SandboxType::yes;
    if (!layout_.caches.empty() && ::stat(kit::joinPath(layout_.caches, id).c_str(), &st) == 0)
        return SandboxType::not_;
    return SandboxType::none;
}

std::map<std::string, std::string> getInstallBundleIds(const platform::Layout& layout) {
    if (layout.kind == platform::Layout::Kind::macOS) return macInstalledBundles(layout);
    std::map<std::string, std::string> result;
    DesktopDiscovery found = DesktopAppDiscovery(layout).discover();
    for (const auto& [id, path] : found.otherInstalled) result.emplace(id, path);
    for (const InstalledApp& app : found.apps) result[app.bundleID] = app.path;
    return result;
}

}  // namespace orvane::apps
