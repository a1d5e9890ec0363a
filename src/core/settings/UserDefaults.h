#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/PlistValue.h"

namespace orvane::settings {

// The small flags the program remembers between runs.
namespace defaultskey {
inline constexpr std::string_view autoStartup = "autoStartup";
inline constexpr std::string_view lastKnownAppVersion = "LastKnownAppVersion";
inline constexpr std::string_view dupImageRemoveType = "dupImageRemoveType";
inline constexpr std::string_view completeScan = "CompleteScan";
inline constexpr std::string_view lastSelectPath = "LastSelectPath";
inline constexpr std::string_view languageSelectedItems =
    "LanguageMenuPopoverView.selectedItems_v1";
}  // namespace defaultskey

// Key-value flags kept in one XML property list in the support folder. Every setter saves at
// once (atomically), merging with what is on disk so that two running front ends (the window
// and the command line) do not wipe each other's keys. Safe to use from any thread.
class UserDefaults {
public:
    // <support folder>/UserDefaults.plist, shared by the whole program.
    static UserDefaults& standard();
    static std::string defaultPath();

    explicit UserDefaults(std::string plistPath);
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // Nothing when the key is missing or holds another type.
    std::optional<bool> boolForKey(std::string_view key) const;
    std::optional<std::int64_t> integerForKey(std::string_view key) const;
    std::optional<std::string> stringForKey(std::string_view key) const;
    std::optional<Array> arrayForKey(std::string_view key) const;
    std::optional<PlistValue> objectForKey(std::string_view key) const;

    // Each returns false (with a log line) when the file could not be written; the value is
    // still kept in memory for the rest of the run.
    bool setBool(std::string_view key, bool value);
    bool setInteger(std::string_view key, std::int64_t value);
    bool setString(std::string_view key, std::string_view value);
    bool setArray(std::string_view key, Array value);
    bool setObject(std::string_view key, PlistValue value);
    bool removeObject(std::string_view key);

    // Re-reads the file (another process may have written it).
    void reload();
    const std::string& path() const { return path_; }

private:
    bool store(std::string_view key, std::optional<PlistValue> value);
    void loadLocked();

    std::string path_;
    mutable std::mutex mutex_;
    Dictionary values_;
};

}  // namespace orvane::settings
