#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/apps/SandboxType.h"
#include "platform/Layout.h"

namespace orvane::apps {

// Which applications are installed, by bundle identifier, for the junk cleaner: it keeps the
// caches and logs of installed applications and offers those of removed ones. Synchronous and
// safe from any thread.
//
// On macOS the identifier is the bundle's CFBundleIdentifier and the path the bundle. On a
// freedesktop system the identifier is the flatpak id, the snap name, or else the desktop-file
// id without ".desktop", and the path is where the application is installed (deploy folder,
// /snap/<name>, the AppImage, or the desktop entry of a packaged program).
class InstallAppHelper {
public:
    explicit InstallAppHelper(platform::Layout layout) : layout_(std::move(layout)) {}

    // The applications found directly in the given folders (bundles on macOS; desktop entries
    // and AppImages on freedesktop). Folders that cannot be listed are passed over; a later
    // folder's application replaces an earlier one's of the same identifier.
    std::map<std::string, std::string> getInstallBundleIds(
        const std::vector<std::string>& applicationPaths) const;

    // `yes` when the application has a sandbox container, else `not_` when it has a cache
    // folder of its own, else `none`.
    SandboxType getAppSandboxType(std::string_view bundleId, std::string_view appPath) const;

private:
    platform::Layout layout_;
};

// Every installed application and input method of the layout, identifier → path. On macOS the
// local applications folder (one level of subfolders too, Microsoft's suite aside) and the
// input methods; on freedesktop every application discovery finds, shown in menus or not.
std::map<std::string, std::string> getInstallBundleIds(const platform::Layout& layout);

}  // namespace orvane::apps
