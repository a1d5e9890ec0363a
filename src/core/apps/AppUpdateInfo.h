#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvane::apps {

// A newer version an application's store offers. Present on an AppModel only while the store's
// version is newer than the installed one.
struct AppUpdateInfo {
    std::string currentVersion;
    std::string latestVersion;
    std::string releaseDate;  // display text; empty when unknown
    std::uint64_t updateSize = 0;
    std::string releaseNotes;
    std::uint64_t adamid = 0;  // the store's item identifier, where the store has one
    std::vector<std::string> appStoreImageURLs;
    // Which store updates it on a freedesktop system: "flatpak" (with its installation,
    // "user" or "system") or "snap"; empty for the macOS store.
    std::string store;
    std::string installation;
};

}  // namespace orvane::apps
