#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace orvane::platform {
struct Layout;
}

namespace orvane::junk {

// Installed applications by identifier, each with its location (an application bundle on macOS,
// the desktop entry on a freedesktop system).
using InstallBundleIds = std::map<std::string, std::string>;
// Asked once per scan, so that an application removed a minute ago no longer counts.
using InstallBundleProvider = std::function<InstallBundleIds()>;

// The plain index this module uses unless given another: on macOS the bundles in the layout's
// application folders; on freedesktop the desktop entries, identified by their flatpak id, snap
// name or desktop-file id.
InstallBundleIds scanInstalledBundles(const platform::Layout& layout);
// The same with extra folders searched for bundles (macOS only; the desktop and downloads
// folders, where people leave applications they did not install).
InstallBundleIds scanInstalledBundles(const platform::Layout& layout,
                                      const std::vector<std::string>& extraFolders);

}  // namespace orvane::junk

namespace orvane::junk {

// The name people know an installed application by: the bundle's display name on macOS, the
// desktop entry's Name= on freedesktop; the file name when neither says.
std::string installedAppName(const platform::Layout& layout, const std::string& location);

}  // namespace orvane::junk
