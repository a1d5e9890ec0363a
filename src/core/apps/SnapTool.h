#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/apps/ToolOutcome.h"

namespace orvane::apps {

// One snap with a newer revision, as `snap refresh --list` lists it.
struct SnapRefresh {
    std::string name;
    std::string version;
    std::string revision;
    std::uint64_t size = 0;
    std::string publisher;
};

// The snap command, called the way a person would call it.
class SnapTool {
public:
    // snap remove [--purge] <name>
    static std::vector<std::string> removeArguments(const std::string& name, bool purge);
    static ToolOutcome remove(const std::string& name, bool purge);

    // snap refresh --list; nothing and `error` set when snap could not tell.
    static std::vector<SnapRefresh> listRefreshes(std::string* error = nullptr);
    // The table `snap refresh --list` prints: a "Name Version Rev Size Publisher Notes" header,
    // then one row per snap. "All snaps up to date." (on standard error) means none.
    static std::vector<SnapRefresh> parseRefreshList(std::string_view text);

    // snap refresh <name>
    static ToolOutcome refresh(const std::string& name);

    // "268MB", "12kB", "999B" (decimal units, as snap prints sizes) in bytes.
    static std::optional<std::uint64_t> parseSize(std::string_view text);
};

}  // namespace orvane::apps
