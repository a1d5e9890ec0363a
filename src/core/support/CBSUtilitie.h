#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/support/AppInfo.h"

namespace orvane::support {

// Help addresses and identity texts built from the application's information list.
class CBSUtilitie {
public:
    // The address stored under `key`; with `version` true and "LinkHasVersion" equal to "1",
    // "&v=" and the version are appended. Nothing for a missing, empty or unparsable address.
    static std::optional<std::string> url(std::string_view key, bool version);
    static std::optional<std::string> url(const AppInfo& info, std::string_view key, bool version);

    // "LinkHasVersion" equals "1".
    static bool linkHasVersion(const AppInfo& info = AppInfo::shared());
    // The short version string for the store edition, the bundle version for every other one.
    static std::string version(const AppInfo& info = AppInfo::shared());
    static std::string aCFBundleName(const AppInfo& info = AppInfo::shared());

    // Whether a text is an address a browser can open: http or https, a host, no spaces or
    // control characters.
    static bool isWebAddress(std::string_view text);
};

}  // namespace orvane::support
