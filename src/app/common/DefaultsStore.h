#pragma once

#include <optional>
#include <string>

namespace orvane::app {

// The small flags the screens remember between runs ("LastSelectPath", "CompleteScan"). Read
// from disk on every call, so a test's private home is honoured.
class DefaultsStore {
public:
    static std::optional<std::string> string(const std::string& key);
    static void setString(const std::string& key, const std::string& value);
    static std::optional<bool> boolean(const std::string& key);
    static void setBool(const std::string& key, bool value);
    static void remove(const std::string& key);
};

}  // namespace orvane::app
