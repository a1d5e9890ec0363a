#include "core/apps/XdgRelatedFiles.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <set>

#include "core/apps/AppIdentifiers.h"
#include "core/apps/DesktopEntry.h"
#include "kit/Paths.h"

namespace orvane::apps {

namespace {

constexpr std::size_t npos = static_cast<std::size_t>(-1);

std::string lowercase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::vector<std::string> sortedNames(const std::string& folder) {
    std::vector<std::string> names;
    if (folder.empty()) return names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool isFolderNoFollow(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Programs that start other programs; their names say nothing about the application.
constexpr std::array<std::string_view, 16> kLaunchers = {
    "env",  "sh",   "bash", "flatpak",  "snap", "python", "python3",  "perl",
    "java", "wine", "mono", "electron", "node", "gjs",    "xdg-open", "sudo"};

// Entries of the base folders that the desktop, its services and shared libraries keep.
constexpr std::array<std::string_view, 44> kDesktopOwned = {"applications",
                                                            "autostart",
                                                            "dconf",
                                                            "desktop-directories",
                                                            "environment.d",
                                                            "flatpak",
                                                            "fontconfig",
                                                            "fonts",
                                                            "gtk-2.0",
                                                            "gtk-3.0",
                                                            "gtk-4.0",
                                                            "gvfs-metadata",
                                                            "ibus",
                                                            "icons",
                                                            "keyrings",
                                                            "menus",
                                                            "mime",
                                                            "mimeapps.list",
                                                            "pulse",
                                                            "pipewire",
                                                            "qtproject",
                                                            "recently-used.xbel",
                                                            "sessions",
                                                            "snap",
                                                            "sounds",
                                                            "systemd",
                                                            "themes",
                                                            "thumbnails",
                                                            "trash",
                                                            "user-dirs.dirs",
                                                            "user-dirs.locale",
                                                            "wireplumber",
                                                            "xdg-desktop-portal",
                                                            "dbus-1",
                                                            "gnome-session",
                                                            "kdedefaults",
                                                            "kdeglobals",
                                                            "mesa_shader_cache",
                                                            "nvidia",
                                                            "session",
                                                            "gstreamer-1.0",
                                                            "evolution",
                                                            "tracker3",
                                                            "webkitgtk"};

}  // namespace

bool XdgRelatedFiles::isDesktopOwned(const std::string& lowerName) {
    return std::find(kDesktopOwned.begin(), kDesktopOwned.end(), lowerName) != kDesktopOwned.end();
}

std::vector<std::string> XdgRelatedFiles::candidateNames(const InstalledApp& app) {
    std::set<std::string> names;
    auto add = [&](std::string_view name) {
        std::string lower = lowercase(name);
        if (lower.size() >= 3 && isPrintableName(lower) && !isDesktopOwned(lower))
            names.insert(std::move(lower));
    };
    add(app.bundleID);
    for (const std::string& id : app.desktopIds) add(id);
    add(app.appName);
    std::string joined, dashed;
    for (char c : app.appName) {
        if (c != ' ') joined += c;
        dashed += c == ' ' ? '-' : c;
    }
    add(joined);
    add(dashed);
    if (app.kind != AppKind::flatpak && app.kind != AppKind::snap && !app.program.empty()) {
        const std::string program = lowercase(kit::directoryName(app.program));
        if (std::find(kLaunchers.begin(), kLaunchers.end(), program) == kLaunchers.end() &&
            !program.ends_with(".appimage"))
            add(program);
    }
    for (const AppFileSource& file : app.files)
        if (!file.packageName.empty()) add(file.packageName.substr(0, file.packageName.find(':')));
    return {names.begin(), names.end()};
}

XdgRelatedFiles::XdgRelatedFiles(
    const platform::Layout& layout, const std::vector<InstalledApp>& apps,
    const std::vector<std::pair<std::string, std::string>>& otherInstalled)
    : layout_(layout), apps_(apps), files_(apps.size()) {
    for (std::size_t i = 0; i < apps.size(); ++i)
        for (std::string& name : candidateNames(apps[i])) claims_[std::move(name)].push_back(i);
    // Software without a menu entry still owns its names; it just is not listed.
    for (std::size_t i = 0; i < otherInstalled.size(); ++i) {
        auto& claimants = claims_[lowercase(otherInstalled[i].first)];
        claimants.push_back(apps.size() + i);
    }
    assignFolder(layout.preferences, AppFileType::preferenceFile, true);
    assignFolder(layout.applicationSupport, AppFileType::appSupportFile, false);
    assignFolder(layout.logs, AppFileType::logFile, false);
    assignFolder(layout.caches, AppFileType::otherFile, false);
    assignContainers();
    assignSnapData();
    assignAutostart();
}

const std::vector<RelatedFile>& XdgRelatedFiles::filesOf(std::size_t index) const {
    return files_.at(index);
}

std::size_t XdgRelatedFiles::ownerOf(const std::string& lowerName) const {
    auto it = claims_.find(lowerName);
    if (it == claims_.end()) return npos;
    std::set<std::size_t> distinct(it->second.begin(), it->second.end());
    if (distinct.size() != 1) return npos;
    const std::size_t owner = *distinct.begin();
    return owner < apps_.size() ? owner : npos;
}

void XdgRelatedFiles::assignFolder(const std::string& folder, AppFileType type,
                                   bool settingsFiles) {
    for (const std::string& name : sortedNames(folder)) {
        const std::string lower = lowercase(name);
        if (isDesktopOwned(lower)) continue;
        std::size_t owner = ownerOf(lower);
        // Settings files named after the program: "dolphinrc", "vlc.conf".
        if (owner == npos && settingsFiles) {
            for (std::string_view suffix : {"rc", ".conf", ".ini"}) {
                if (lower.size() > suffix.size() + 2 && lower.ends_with(suffix)) {
                    owner = ownerOf(lower.substr(0, lower.size() - suffix.size()));
                    if (owner != npos) break;
                }
            }
        }
        if (owner != npos) files_[owner].push_back({kit::joinPath(folder, name), type});
    }
}

void XdgRelatedFiles::assignContainers() {
    if (layout_.containers.empty()) return;
    for (std::size_t i = 0; i < apps_.size(); ++i) {
        const std::string container = kit::joinPath(layout_.containers, apps_[i].bundleID);
        if (!isFlatpakAppId(apps_[i].bundleID) || !isFolderNoFollow(container)) continue;
        // A flatpak's sandbox mirrors the base folders; the rest of it is plain data.
        for (const std::string& name : sortedNames(container)) {
            AppFileType type = AppFileType::otherFile;
            if (name == "config") type = AppFileType::preferenceFile;
            if (name == "data") type = AppFileType::appSupportFile;
            files_[i].push_back({kit::joinPath(container, name), type});
        }
    }
}

void XdgRelatedFiles::assignSnapData() {
    if (layout_.userSnapFolder.empty()) return;
    for (std::size_t i = 0; i < apps_.size(); ++i) {
        if (apps_[i].kind != AppKind::snap) continue;
        const std::string data = kit::joinPath(layout_.userSnapFolder, apps_[i].bundleID);
        if (isFolderNoFollow(data)) files_[i].push_back({data, AppFileType::otherFile});
    }
}

void XdgRelatedFiles::assignAutostart() {
    if (layout_.loginItemFolders.empty()) return;
    // The user's own autostart folder; the system's belongs to packages.
    const std::string& folder = layout_.loginItemFolders.front();
    for (const std::string& name : sortedNames(folder)) {
        if (!name.ends_with(".desktop") || name.size() <= 8) continue;
        const std::string path = kit::joinPath(folder, name);
        std::size_t owner = ownerOf(lowercase(name.substr(0, name.size() - 8)));
        if (owner == npos) {
            if (auto entry = DesktopEntry::read(path)) {
                const std::string flatpak = entry->string("X-Flatpak");
                const std::string snap = entry->string("X-SnapInstanceName");
                const std::string program = entry->program();
                for (std::size_t i = 0; i < apps_.size() && owner == npos; ++i) {
                    const InstalledApp& app = apps_[i];
                    if ((!flatpak.empty() && flatpak == app.bundleID &&
                         app.kind == AppKind::flatpak) ||
                        (!snap.empty() && snap == app.bundleID && app.kind == AppKind::snap) ||
                        (!program.empty() && program.front() == '/' && program == app.program &&
                         app.kind != AppKind::flatpak && app.kind != AppKind::snap))
                        owner = i;
                }
            }
        }
        if (owner != npos && exists(path)) files_[owner].push_back({path, AppFileType::otherFile});
    }
}

}  // namespace orvane::apps
