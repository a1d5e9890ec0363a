#include "core/junk/InstalledApps.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "core/junk/AppBundle.h"
#include "core/junk/JunkFiles.h"
#include "core/junk/RuleText.h"
#include "kit/Paths.h"
#include "platform/Layout.h"

namespace orvane::junk {

namespace {

void addBundlesIn(const platform::Layout& layout, const std::string& folder,
                  InstallBundleIds& out) {
    auto names = files::listDirectory(folder);
    if (!names) return;
    std::sort(names->begin(), names->end());
    for (const std::string& name : *names) {
        const std::string path = kit::joinPath(folder, name);
        if (!layout.isApplicationBundle(path)) continue;
        const auto bundle = AppBundle::open(layout, path);
        if (bundle && bundle->bundleIdentifier && !bundle->bundleIdentifier->empty())
            out.emplace(*bundle->bundleIdentifier, path);  // the first folder searched wins
    }
}

// The identifier of a desktop entry: the flatpak app id or the snap name it launches, else the
// desktop-file id. Entries that hide themselves still belong to an installed application.
std::string desktopEntryIdentifier(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    bool inMain = false;
    std::string flatpak, snap;
    int lines = 0;
    while (std::getline(in, line) && ++lines < 4000) {
        const std::string_view text = trimmed(line);
        if (text.starts_with("[")) {
            inMain = text == "[Desktop Entry]";
            continue;
        }
        if (!inMain) continue;
        if (text.starts_with("X-Flatpak=")) flatpak = std::string(trimmed(text.substr(10)));
        else if (text.starts_with("X-SnapInstanceName="))
            snap = std::string(trimmed(text.substr(19)));
    }
    if (!flatpak.empty()) return flatpak;
    if (!snap.empty()) return snap;
    return kit::fileNameDeletepathExtension(path);
}

void addDesktopEntriesIn(const std::string& folder, InstallBundleIds& out) {
    auto names = files::listDirectory(folder);
    if (!names) return;
    std::sort(names->begin(), names->end());
    for (const std::string& name : *names) {
        if (!name.ends_with(".desktop")) continue;
        const std::string path = kit::joinPath(folder, name);
        const auto st = files::statEntry(path);
        if (!st || st->isDirectory) continue;
        const std::string id = desktopEntryIdentifier(path);
        if (!id.empty()) out.emplace(id, path);
    }
}

}  // namespace

InstallBundleIds scanInstalledBundles(const platform::Layout& layout) {
    return scanInstalledBundles(layout, {});
}

InstallBundleIds scanInstalledBundles(const platform::Layout& layout,
                                      const std::vector<std::string>& extraFolders) {
    InstallBundleIds out;
    if (layout.kind == platform::Layout::Kind::macOS) {
        for (const auto& root : layout.applicationRoots) addBundlesIn(layout, root, out);
        for (const auto& folder : extraFolders) addBundlesIn(layout, folder, out);
    } else {
        for (const auto& root : layout.applicationRoots) addDesktopEntriesIn(root, out);
    }
    return out;
}

}  // namespace orvane::junk

namespace orvane::junk {

std::string installedAppName(const platform::Layout& layout, const std::string& location) {
    if (layout.kind == platform::Layout::Kind::macOS) {
        if (auto bundle = AppBundle::open(layout, location)) return bundle->appName();
        std::string name = kit::directoryName(location);
        if (name.ends_with(".app")) name.resize(name.size() - 4);
        return name;
    }
    std::ifstream in(location);
    std::string line;
    bool inMain = false;
    int lines = 0;
    while (std::getline(in, line) && ++lines < 4000) {
        const std::string_view text = trimmed(line);
        if (text.starts_with("[")) {
            inMain = text == "[Desktop Entry]";
            continue;
        }
        if (inMain && text.starts_with("Name=")) {
            const std::string name(trimmed(text.substr(5)));
            if (!name.empty()) return name;
        }
    }
    return kit::fileNameDeletepathExtension(location);
}

}  // namespace orvane::junk
