#pragma once

#include <string_view>

namespace orvane::apps {

// How an application came onto the machine, which decides where its own files are and how it
// can be removed again.
enum class AppKind {
    deb,       // a desktop entry owned by a Debian package
    flatpak,   // deployed by flatpak, system-wide or for the user
    snap,      // installed by snapd
    appimage,  // a self-contained executable file
    bundle,    // a macOS application bundle
    desktop,   // a desktop entry that no package manager owns (installed by hand)
};

constexpr std::string_view appKindName(AppKind kind) {
    switch (kind) {
        case AppKind::deb: return "deb";
        case AppKind::flatpak: return "flatpak";
        case AppKind::snap: return "snap";
        case AppKind::appimage: return "appimage";
        case AppKind::bundle: return "bundle";
        case AppKind::desktop: return "desktop";
    }
    return "desktop";
}

}  // namespace orvane::apps
