#pragma once

#include <optional>
#include <string>

namespace orvane::apps {

// What a macOS application bundle says about itself in Contents/Info.plist.
struct BundleInfo {
    std::string identifier;    // CFBundleIdentifier
    std::string name;          // CFBundleName
    std::string displayName;   // CFBundleDisplayName
    std::string shortVersion;  // CFBundleShortVersionString
    std::string version;       // CFBundleVersion

    // Reads <bundle>/Contents/Info.plist (XML or binary). Nothing when the file is missing,
    // damaged or its root is not a dictionary; a bundle without an identifier reads as one
    // with an empty identifier.
    static std::optional<BundleInfo> read(const std::string& bundlePath);
};

}  // namespace orvane::apps
