#pragma once

#include <optional>
#include <string>

namespace orvane::platform {
struct Layout;
}

namespace orvane::junk {

// What the rules need to know about an application: who it is and which version is installed.
// On macOS that is the bundle's information dictionary; a freedesktop system has no bundles,
// so nothing opens there and the rules that ask for one apply unconditionally.
struct AppBundle {
    std::string path;
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> displayName;   // CFBundleDisplayName
    std::optional<std::string> name;          // CFBundleName
    std::optional<std::string> shortVersion;  // CFBundleShortVersionString
    std::optional<std::string> version;       // CFBundleVersion

    static std::optional<AppBundle> open(const platform::Layout& layout, const std::string& path);

    // CFBundleDisplayName, else CFBundleName, else the file name without ".app".
    std::string appName() const;
};

}  // namespace orvane::junk
