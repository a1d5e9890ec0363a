#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/support/VersionNumber.h"

namespace orvane::support {

// The newest release as the update feed announces it, a JSON object such as
//   {"version": "1.3.0", "notes": "What changed...", "url": "https://orvane.com/download"}
struct ReleaseFeed {
    VersionNumber version;
    std::string versionText;
    std::string notes;
    std::string downloadURL;

    // The feed is whatever a server (or something posing as one) sent: every field is checked,
    // and a feed that is not exactly this shape is refused with a reason for the user.
    static std::optional<ReleaseFeed> parse(std::string_view body, std::string& error);
};

}  // namespace orvane::support
