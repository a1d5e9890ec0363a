#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/junk/AppBundle.h"
#include "platform/Layout.h"

namespace orvane::junk {

// Everything the rules read from the world besides the files themselves: where the places of
// the layout are, the time, the user's languages and which program is running. One value per
// scan, so tests hand in a fixture home, a fixed clock and chosen languages.
class RuleEnvironment {
public:
    explicit RuleEnvironment(platform::Layout layout);

    platform::Layout layout;
    // Seconds since 1970.
    std::function<double()> now;
    // Language identifiers of the user, most preferred first ("de-CH", "pt_BR", "fr").
    std::vector<std::string> preferredLanguages;
    // Language of the current locale ("de").
    std::string localeLanguage;
    // This program: its files are never junk.
    std::string ownBundleId;
    std::string ownDisplayName;

    const std::string& home() const { return layout.home; }
    // "~" in rule paths is the home folder.
    std::string expandTilde(const std::string& text) const;
    bool isFilePackage(const std::string& path) const { return layout.isPackage(path); }
    std::optional<AppBundle> bundleAt(const std::string& path) const {
        return AppBundle::open(layout, path);
    }
};

// Removes "." and ".." components and repeated or trailing slashes, lexically.
std::string standardizePath(const std::string& path);

}  // namespace orvane::junk
