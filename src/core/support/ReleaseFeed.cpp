#include "core/support/ReleaseFeed.h"

#include <nlohmann/json.hpp>

#include "core/support/CBSUtilitie.h"

namespace orvane::support {

std::optional<ReleaseFeed> ReleaseFeed::parse(std::string_view body, std::string& error) {
    using nlohmann::json;
    const json feed = json::parse(body, nullptr, false);
    if (feed.is_discarded() || !feed.is_object()) {
        error = "the update information is not valid";
        return std::nullopt;
    }
    auto text = [&](const char* key, std::size_t limit) -> std::optional<std::string> {
        const auto it = feed.find(key);
        if (it == feed.end() || !it->is_string()) return std::nullopt;
        std::string value = it->get<std::string>();
        if (value.size() > limit) return std::nullopt;
        return value;
    };
    ReleaseFeed release;
    const auto version = text("version", 64);
    const auto parsed = version ? VersionNumber::parse(*version) : std::nullopt;
    if (!parsed) {
        error = "the update information names no valid version";
        return std::nullopt;
    }
    release.version = *parsed;
    release.versionText = *version;
    if (feed.contains("notes")) {
        const auto notes = text("notes", 64 * 1024);
        if (!notes) {
            error = "the update information has unreadable release notes";
            return std::nullopt;
        }
        release.notes = *notes;
    }
    const auto url = text("url", 2048);
    if (!url || !CBSUtilitie::isWebAddress(*url)) {
        error = "the update information has no valid download address";
        return std::nullopt;
    }
    release.downloadURL = *url;
    return release;
}

}  // namespace orvane::support
