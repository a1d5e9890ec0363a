#include "app/common/DefaultsStore.h"

#include "core/settings/UserDefaults.h"

namespace orvane::app {

namespace {

// A fresh view of the shared defaults file per call: the file is tiny, and this way the window
// sees what the command line wrote and a test's private home is honoured.
settings::UserDefaults open() {
    return settings::UserDefaults(settings::UserDefaults::defaultPath());
}

}  // namespace

std::optional<std::string> DefaultsStore::string(const std::string& key) {
    return open().stringForKey(key);
}

void DefaultsStore::setString(const std::string& key, const std::string& value) {
    open().setString(key, value);
}

std::optional<bool> DefaultsStore::boolean(const std::string& key) {
    return open().boolForKey(key);
}

void DefaultsStore::setBool(const std::string& key, bool value) { open().setBool(key, value); }

void DefaultsStore::remove(const std::string& key) { open().removeObject(key); }

}  // namespace orvane::app
