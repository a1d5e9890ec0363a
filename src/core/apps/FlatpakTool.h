#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/apps/ToolOutcome.h"

namespace orvane::apps {

// One application flatpak can update, as `flatpak remote-ls --updates` lists it.
struct FlatpakUpdate {
    std::string application;
    std::string version;  // of the update; empty when the remote does not say
    std::string branch;
    std::string origin;
    std::uint64_t downloadSize = 0;
};

// The flatpak command, called the way a person would call it. Every call names the
// installation (--user or --system), so an application installed in both is never confused.
class FlatpakTool {
public:
    // flatpak uninstall --user|--system --noninteractive [--delete-data] <id>
    static std::vector<std::string> uninstallArguments(const std::string& appId, bool user,
                                                       bool deleteData);
    static ToolOutcome uninstall(const std::string& appId, bool user, bool deleteData);

    // flatpak remote-ls --updates --user|--system --app --columns=...
    static std::vector<std::string> listUpdatesArguments(bool user);
    // The applications of one installation with an update; nothing and `error` set when
    // flatpak could not tell.
    static std::vector<FlatpakUpdate> listUpdates(bool user, std::string* error = nullptr);
    // Rows of `remote-ls --updates` as it prints them to a pipe: tab-separated columns
    // application, version, branch, origin, download size. Rows that do not fit are passed over.
    static std::vector<FlatpakUpdate> parseUpdates(std::string_view text);

    // flatpak update --user|--system --noninteractive <id>; `progress` gets a percentage
    // whenever flatpak prints one.
    static ToolOutcome update(const std::string& appId, bool user,
                              const std::function<void(int percent)>& progress = {},
                              const std::atomic<bool>* stop = nullptr);

    // "12.3 MB", "356 bytes", "1.0 kB" (decimal units, as flatpak prints sizes) in bytes.
    static std::optional<std::uint64_t> parseSize(std::string_view text);
    // The last "NN%" in a line of flatpak's progress output.
    static std::optional<int> percentIn(std::string_view line);
};

}  // namespace orvane::apps
