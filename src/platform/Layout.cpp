#include "platform/Layout.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "kit/Paths.h"

namespace orvane::platform {

namespace {

// XDG variables count only when they hold an absolute path; anything else means "use the default".
std::string xdgDir(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return (value && *value == '/') ? std::string(value) : fallback;
}

std::vector<std::string> xdgDirList(const char* name, const std::vector<std::string>& fallback) {
    const char* value = std::getenv(name);
    if (!value || !*value) return fallback;
    std::vector<std::string> dirs;
    std::string_view rest(value);
    while (!rest.empty()) {
        auto colon = rest.find(':');
        std::string_view item = rest.substr(0, colon);
        if (!item.empty() && item.front() == '/') dirs.emplace_back(item);
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    return dirs.empty() ? fallback : dirs;
}

// One entry of user-dirs.dirs ("XDG_DOWNLOAD_DIR="$HOME/Downloads""), else the fallback. The
// home folder itself is what the file says when the user disabled a folder; that is no answer.
std::string userDir(const std::string& configHome, const std::string& home, std::string_view key,
                    const std::string& fallback) {
    std::ifstream in(configHome + "/user-dirs.dirs");
    std::string line;
    const std::string prefix = std::string(key) + "=";
    while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) != 0) continue;
        std::string value = line.substr(prefix.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.starts_with("$HOME")) value = home + value.substr(5);
        value.resize(kit::withoutTrailingSlashes(value).size());
        if (!value.empty() && value.front() == '/' && value != home) return value;
    }
    return fallback;
}

std::string withoutTrailingSlash(std::string path) {
    path.resize(kit::withoutTrailingSlashes(path).size());
    return path == "/" ? std::string() : path;
}

std::string lowercase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    });
    return out;
}

// Folder types that Finder shows as a single document or program.
constexpr std::string_view kPackageExtensions[] = {
    "app",          "framework",    "bundle",
    "plugin",       "kext",         "photoslibrary",
    "photolibrary", "aplibrary",    "migratedphotolibrary",
    "musiclibrary", "tvlibrary",    "imovielibrary",
    "fcpbundle",    "logicx",       "band",
    "rtfd",         "pages",        "numbers",
    "key",          "xcodeproj",    "xcworkspace",
    "xcarchive",    "playground",   "prefpane",
    "saver",        "qlgenerator",  "mdimporter",
    "appex",        "xpc",          "dsym",
    "pkg",          "mpkg",         "scptd",
    "wdgt",         "sparsebundle", "docset",
    "component",    "vst",          "vst3",
    "plugin-bundle"};

}  // namespace

bool isPathInside(std::string_view path, std::string_view folder) {
    folder = kit::withoutTrailingSlashes(folder);
    path = kit::withoutTrailingSlashes(path);
    if (folder.empty()) return false;
    if (folder == "/") return !path.empty() && path.front() == '/';
    if (path.size() < folder.size() || path.substr(0, folder.size()) != folder) return false;
    return path.size() == folder.size() || path[folder.size()] == '/';
}

Layout Layout::current() { return linuxLayout(); }

Layout Layout::linuxLayout(std::string root) {
    Layout layout;
    layout.kind = Kind::freedesktop;
    layout.root = withoutTrailingSlash(std::move(root));
    const std::string& r = layout.root;
    layout.home = kit::customHomeDirectory();
    const std::string& home = layout.home;

    const std::string configHome = xdgDir("XDG_CONFIG_HOME", home + "/.config");
    const std::string dataHome = xdgDir("XDG_DATA_HOME", home + "/.local/share");
    layout.preferences = configHome;
    layout.applicationSupport = dataHome;
    layout.logs = xdgDir("XDG_STATE_HOME", home + "/.local/state");
    layout.caches = xdgDir("XDG_CACHE_HOME", home + "/.cache");
    layout.containers = home + "/.var/app";
    layout.trash = dataHome + "/Trash";
    layout.recentlyUsedFile = dataHome + "/recently-used.xbel";
    layout.desktop = userDir(configHome, home, "XDG_DESKTOP_DIR", home + "/Desktop");
    layout.downloads = userDir(configHome, home, "XDG_DOWNLOAD_DIR", home + "/Downloads");

    layout.systemLogs = {r + "/var/log"};
    layout.systemCaches = {r + "/var/cache"};
    layout.temporary = xdgDir("TMPDIR", r + "/tmp");
    layout.containerCachesSubpath = "cache";
    layout.junkCacheFolders = {layout.caches + "/thumbnails"};
    layout.installerPackageExtensions = {
        "dmg", "pkg", "mpkg", "app",      "zip",        "tar",         "tar.gz", "tgz", "rar",
        "7z",  "deb", "rpm",  "appimage", "flatpakref", "flatpakrepo", "snap",   "run", "torrent"};
    layout.dataDirs = xdgDirList("XDG_DATA_DIRS", {r + "/usr/local/share", r + "/usr/share"});

    layout.applicationRoots.push_back(dataHome + "/applications");
    for (const std::string& dir : layout.dataDirs)
        layout.applicationRoots.push_back(dir + "/applications");
    layout.portableApplicationRoots = {home + "/Applications", layout.desktop, layout.downloads};

    // Flatpak and snapd export their desktop entries outside the usual data folders; a session
    // started without their profile scripts would not list those applications otherwise.
    layout.packageDatabase = r + "/var/lib/dpkg";
    layout.flatpakInstallations = {dataHome + "/flatpak", r + "/var/lib/flatpak"};
    layout.snapMountFolder = r + "/snap";
    layout.snapPackagesFolder = r + "/var/lib/snapd/snaps";
    layout.snapDesktopFolder = r + "/var/lib/snapd/desktop/applications";
    layout.userSnapFolder = home + "/snap";
    // A flatpak deploy folder and a snap come from their remote, which is the store here.
    layout.storeReceipts = {"current/active/metadata", "current/meta/snap.yaml"};
    std::vector<std::string> exported;
    for (const std::string& installation : layout.flatpakInstallations)
        exported.push_back(installation + "/exports/share/applications");
    exported.push_back(layout.snapDesktopFolder);
    for (std::string& folder : exported)
        if (std::find(layout.applicationRoots.begin(), layout.applicationRoots.end(), folder) ==
            layout.applicationRoots.end())
            layout.applicationRoots.push_back(std::move(folder));

    layout.iconThemeFolders = {dataHome + "/icons", home + "/.icons"};
    for (const std::string& dir : layout.dataDirs) {
        layout.iconThemeFolders.push_back(dir + "/icons");
        layout.pixmapFolders.push_back(dir + "/pixmaps");
    }
    for (const std::string& installation : layout.flatpakInstallations)
        layout.iconThemeFolders.push_back(installation + "/exports/share/icons");

    using Role = AppDataFolder::Role;
    layout.appDataFolders = {{configHome, Role::preferences, "", false},
                             {dataHome, Role::applicationSupport, "", false},
                             {layout.caches, Role::other, "", false},
                             {layout.logs, Role::logs, "", false},
                             {layout.containers, Role::other, "", false},
                             {layout.userSnapFolder, Role::other, "", true}};

    layout.loginItemFolders = {configHome + "/autostart", configHome + "/systemd/user"};
    for (const std::string& dir : xdgDirList("XDG_CONFIG_DIRS", {r + "/etc/xdg"}))
        layout.loginItemFolders.push_back(dir + "/autostart");
    layout.loginItemFile =
        configHome + "/autostart/" + std::string(kit::mainAppBundleID) + ".desktop";

    layout.protectedLocations = {r + "/var/cache", r + "/var/log", r + "/var/tmp", r + "/tmp",
                                 r + "/usr/local"};
    return layout;
}

Layout Layout::macLayout(std::string root, std::string home) {
    Layout layout;
    layout.kind = Kind::macOS;
    layout.root = withoutTrailingSlash(std::move(root));
    const std::string& r = layout.root;
    layout.home = home.size() > 1 && home.back() == '/' ? withoutTrailingSlash(home) : home;
    const std::string& h = layout.home;

    layout.trash = h + "/.Trash";
    layout.desktop = h + "/Desktop";
    layout.downloads = h + "/Downloads";
    layout.library = h + "/Library";
    layout.preferences = layout.library + "/Preferences";
    layout.applicationSupport = layout.library + "/Application Support";
    layout.logs = layout.library + "/Logs";
    layout.caches = layout.library + "/Caches";
    layout.containers = layout.library + "/Containers";
    layout.systemPreferences = {r + "/Library/Preferences"};
    layout.systemLogs = {r + "/Library/Logs", r + "/var/log"};
    layout.systemCaches = {r + "/Library/Caches", r + "/private/var/folders"};
    layout.temporary = r + "/private/var/folders/T";
    layout.containerCachesSubpath = "Data/Library/Caches";
    layout.junkCacheFolders = {r + "/Library/Caches", layout.caches, r + "/private/var/folders"};
    layout.junkLogFolders = {r + "/var/log", layout.logs};
    layout.installerPackageExtensions = {"dmg", "pkg",    "mpkg", "app", "zip",
                                         "tar", "tar.gz", "tgz",  "rar", "7z"};

    layout.applicationRoots = {r + "/Applications", r + "/Applications/Utilities", layout.desktop};
    layout.groupContainers = layout.library + "/Group Containers";
    layout.savedApplicationState = layout.library + "/Saved Application State";
    layout.webKit = layout.library + "/WebKit";
    layout.httpStorages = layout.library + "/HTTPStorages";
    layout.cookies = layout.library + "/Cookies";
    layout.inputMethodFolders = {r + "/Library/Input Methods"};
    layout.systemApplicationSupport = {r + "/Library/Application Support"};
    layout.storeReceipts = {"Contents/_MASReceipt/receipt", "Wrapper/iTunesMetadata.plist"};
    layout.storeAppsFolder = "/Applications/";
    layout.metadataFinder = r + "/usr/bin/mdfind";
    layout.metadataLister = r + "/usr/bin/mdls";

    using Role = AppDataFolder::Role;
    layout.appDataFolders = {{layout.preferences, Role::preferences, ".plist", false},
                             {layout.applicationSupport, Role::applicationSupport, "", false},
                             {layout.containers, Role::other, "", false},
                             {layout.groupContainers, Role::other, "", false},
                             {layout.caches, Role::other, "", false},
                             {layout.logs, Role::logs, "", false},
                             {layout.webKit, Role::other, "", false},
                             {layout.httpStorages, Role::other, "", false},
                             {layout.savedApplicationState, Role::other, ".savedState", false}};
    layout.loginItemFolders = {layout.library + "/LaunchAgents", r + "/Library/LaunchAgents",
                               r + "/Library/LaunchDaemons"};
    layout.loginItemFile =
        layout.library + "/LaunchAgents/" + std::string(kit::launchHelperBundleId) + ".plist";

    layout.protectedLocations = {
        r + "/Library/Caches", r + "/Library/Logs",        r + "/private/var/log",
        r + "/private/tmp",    r + "/private/var/folders", r + "/System/Library",
        r + "/usr/local"};
    return layout;
}

bool Layout::isProtected(std::string_view path) const {
    return std::any_of(protectedLocations.begin(), protectedLocations.end(),
                       [&](const std::string& folder) { return isPathInside(path, folder); });
}

bool Layout::isApplicationBundle(std::string_view folder) const {
    if (kind != Kind::macOS) return false;
    folder = kit::withoutTrailingSlashes(folder);
    if (lowercase(kit::pathExtension(folder)) != "app") return false;
    struct stat st {};
    const std::string plist = std::string(folder) + "/Contents/Info.plist";
    return ::stat(plist.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Layout::isPackage(std::string_view folder) const {
    if (kind != Kind::macOS) return false;
    folder = kit::withoutTrailingSlashes(folder);
    const std::string extension = lowercase(kit::pathExtension(folder));
    if (extension.empty()) return false;
    return std::find(std::begin(kPackageExtensions), std::end(kPackageExtensions), extension) !=
           std::end(kPackageExtensions);
}

}  // namespace orvane::platform
