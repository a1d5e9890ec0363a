#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "core/apps/InstalledApp.h"
#include "platform/Layout.h"

namespace orvane::apps {

// What a pass over the desktop entries and AppImage folders found.
struct DesktopDiscovery {
    // Every application a menu would show, one per identifier, in search order.
    std::vector<InstalledApp> apps;
    // Installed software that shows no menu entry (NoDisplay, Hidden, no Exec, flatpaks and
    // snaps without one), as identifier and path: not listed, but its files are not anybody's
    // leftovers either.
    std::vector<std::pair<std::string, std::string>> otherInstalled;
};

// Finds the applications of a freedesktop system from its desktop entries (system packages,
// flatpak and snap exports, the user's own) and the AppImages in the usual download folders.
//
// An entry is identified by its desktop-file id; the first one found in search order wins, so
// a user's copy hides the system one the way menus do. The identifier of an application is its
// flatpak id, its snap name, else its desktop-file id without ".desktop". Broken entries
// (missing Exec, bad encoding, an AppImage that is gone or not executable, odd identifiers) are
// passed over with a log line.
class DesktopAppDiscovery {
public:
    explicit DesktopAppDiscovery(platform::Layout layout) : layout_(std::move(layout)) {}

    // The layout's application roots and AppImage folders.
    DesktopDiscovery discover(const std::atomic<bool>* cancelled = nullptr) const;
    DesktopDiscovery discover(const std::vector<std::string>& entryFolders,
                              const std::vector<std::string>& appImageFolders,
                              const std::atomic<bool>* cancelled = nullptr) const;

    // The deploy folder of a flatpak application in the first installation that has it, or "".
    std::string flatpakDeployFolder(const std::string& appId) const;

    // Whether a file is an AppImage that can run: executable, ELF, with the AppImage marker.
    static bool isRunnableAppImage(const std::string& path, std::string* why = nullptr);
    // "Krita-5.2.2-x86_64.AppImage" → name "Krita", version "5.2.2".
    static void splitAppImageName(const std::string& fileName, std::string& name,
                                  std::string& version);

private:
    platform::Layout layout_;
};

}  // namespace orvane::apps
