#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/apps/AppKind.h"

namespace orvane::apps {

// One of an application's own files as its installer laid it down, with the size the installer
// recorded when it knows one (a package's installed size, a flatpak deploy's), so that large
// installs are not walked.
struct AppFileSource {
    std::string path;
    std::optional<std::uint64_t> size;
    // For a whole Debian package: its name; the path is then dpkg's record of its files.
    std::string packageName;
};

// An installed application as discovery finds it, before its related files are looked for.
struct InstalledApp {
    std::string bundleID;
    std::string appName;
    AppKind kind = AppKind::desktop;
    // Where it is installed: the bundle, the flatpak deploy folder, /snap/<name>, the AppImage,
    // or the desktop entry for packaged and hand-made entries.
    std::string path;
    std::string version;
    std::string iconName;
    // The executable its desktop entry starts, as written there (may be a bare name).
    std::string program;
    // Its desktop entries and their ids (file names without ".desktop"), first one the main.
    std::vector<std::string> desktopEntries;
    std::vector<std::string> desktopIds;
    // Its own files; filled by the inventory of its kind.
    std::vector<AppFileSource> files;
};

}  // namespace orvane::apps
