#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvane::platform {

// The well-known places of one desktop convention. The core asks a Layout where things live and
// never spells a place itself, so the same code serves a freedesktop (XDG) system and a macOS
// tree, and tests hand in a temporary root and home.
//
// A role that a convention does not have is an empty string or an empty list.
struct Layout {
    enum class Kind { freedesktop, macOS };

    Kind kind = Kind::freedesktop;
    std::string root;  // prefix of every system place; "" for the running system
    std::string home;

    // Where removed items go and where the user can restore them from.
    std::string trash;

    // The user's own folders.
    std::string desktop;
    std::string downloads;

    // Per-application data of the user, one folder per role. On the freedesktop layout these are
    // the XDG base folders; on macOS the folders of ~/Library.
    std::string library;             // macOS ~/Library
    std::string preferences;         // XDG_CONFIG_HOME       | ~/Library/Preferences
    std::string applicationSupport;  // XDG_DATA_HOME         | ~/Library/Application Support
    std::string logs;                // XDG_STATE_HOME        | ~/Library/Logs
    std::string caches;              // XDG_CACHE_HOME        | ~/Library/Caches
    std::string containers;          // ~/.var/app (flatpak)  | ~/Library/Containers
    std::vector<std::string> systemPreferences;  // /Library/Preferences; none on freedesktop
    std::vector<std::string> systemLogs;         // /var/log (and /Library/Logs on macOS)
    std::vector<std::string> systemCaches;  // /var/cache | /Library/Caches, /private/var/folders

    // The user's temporary folder (TMPDIR | the per-user folder below /private/var/folders).
    std::string temporary;
    // Below one application's container, where its caches live ("cache" of a flatpak's
    // ~/.var/app/<id> | "Data/Library/Caches" of a macOS container).
    std::string containerCachesSubpath;

    // Junk the cleaner finds without a rule document. Each entry of these folders is offered as
    // a whole, so only folders whose every entry is disposable belong here: on freedesktop the
    // thumbnail cache (the rest of ~/.cache and every live log stay out).
    std::vector<std::string> junkCacheFolders;
    std::vector<std::string> junkLogFolders;
    // Lower-case extensions of installer packages and archives people leave in Downloads.
    std::vector<std::string> installerPackageExtensions;

    // The desktop's record of recently used files and the programs that opened them; none on
    // macOS, where the metadata index answers that.
    std::string recentlyUsedFile;

    // XDG search folders for data (desktop entries, mime database); empty on macOS.
    std::vector<std::string> dataDirs;

    // Where installed applications are found: folders of bundles on macOS, folders of desktop
    // entries on freedesktop (user folder first, then the system folders in search order).
    std::vector<std::string> applicationRoots;
    // Loose self-contained application files (AppImages); none on macOS, where bundles are it.
    std::vector<std::string> portableApplicationRoots;

    // --- Installed applications and the data they leave --------------------------------------

    // Per-user folders of the macOS library that only that layout has; empty on freedesktop.
    std::string groupContainers;        // ~/Library/Group Containers
    std::string savedApplicationState;  // ~/Library/Saved Application State
    std::string webKit;                 // ~/Library/WebKit
    std::string httpStorages;           // ~/Library/HTTPStorages
    std::string cookies;                // ~/Library/Cookies
    // Input methods are bundles too and count as installed programs; macOS only.
    std::vector<std::string> inputMethodFolders;
    // The metadata index's command-line tools (bundle copies, sizes, last use); macOS only.
    std::string metadataFinder;
    std::string metadataLister;

    // Shared application support of all users; macOS only.
    std::vector<std::string> systemApplicationSupport;
    // An application copy that came from the store carries one of these (relative to the copy);
    // on macOS only copies in a folder whose path holds `storeAppsFolder` count.
    std::vector<std::string> storeReceipts;
    std::string storeAppsFolder;

    // Icon theme folders (each holds themes such as hicolor/) and loose application icons, where
    // desktop entries' Icon= names are looked up; empty on macOS, where bundles carry icons.
    std::vector<std::string> iconThemeFolders;
    std::vector<std::string> pixmapFolders;

    // Package formats of freedesktop systems; empty on macOS.
    std::string packageDatabase;                    // dpkg's administrative folder
    std::vector<std::string> flatpakInstallations;  // user installation first, then system
    std::string snapMountFolder;                    // /snap: one folder per installed snap
    std::string snapPackagesFolder;                 // the downloaded *.snap images
    std::string snapDesktopFolder;                  // desktop entries snapd exports
    std::string userSnapFolder;                     // ~/snap: one folder of user data per snap

    // A folder whose entries are named after applications, scanned for the leftovers of
    // applications that are gone. `suffix` is stripped from an entry's name before it is read
    // as an identifier ("com.x.y.plist"); where `namesAreIdentifiers`, every entry name is one
    // (snap names carry no reverse-DNS dots).
    struct AppDataFolder {
        enum class Role { preferences, applicationSupport, logs, other };
        std::string path;
        Role role = Role::other;
        std::string suffix;
        bool namesAreIdentifiers = false;
    };
    std::vector<AppDataFolder> appDataFolders;

    // Folders whose entries start programs at login or as background agents.
    std::vector<std::string> loginItemFolders;
    // The entry that starts this program at login.
    std::string loginItemFile;

    // Folders only an administrator may clean; removal below them goes through the privileged
    // helper, which refuses anything outside them.
    std::vector<std::string> protectedLocations;

    // The layout of the system the program runs on: the one place that decides it.
    static Layout current();
    // The running system's freedesktop layout, from HOME and the XDG variables (an unset or
    // relative variable takes its default). `root` prefixes the system folders, for tests.
    static Layout linuxLayout(std::string root = "");
    // The macOS layout of a tree at `root` whose user's home folder is `home` (an absolute path,
    // usually inside root).
    static Layout macLayout(std::string root, std::string home);

    // True when `path` lies inside (or is) one of the protected locations.
    bool isProtected(std::string_view path) const;

    // Whether the duplicate walk should treat a folder as one opaque item. Both are cheap name
    // tests plus at most one lookup; on freedesktop no folder is a bundle.
    //
    // An application bundle: a folder named "*.app" holding Contents/Info.plist.
    bool isApplicationBundle(std::string_view folder) const;
    // A package: a folder whose extension names a bundle type (app, framework, bundle, ...);
    // the walk does not descend into it.
    bool isPackage(std::string_view folder) const;
};

// Whether the path lies inside or equals `folder`, comparing whole components.
bool isPathInside(std::string_view path, std::string_view folder);

}  // namespace orvane::platform
