#include "core/settings/UserDefaults.h"

#include "core/settings/PlistFile.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::settings {

UserDefaults& UserDefaults::standard() {
    static UserDefaults shared(defaultPath());
    return shared;
}

std::string UserDefaults::defaultPath() {
    return kit::joinPath(kit::applicationSupportDirectory(), "UserDefaults.plist");
}

UserDefaults::UserDefaults(std::string plistPath) : path_(std::move(plistPath)) {
    std::lock_guard lock(mutex_);
    loadLocked();
}

void UserDefaults::loadLocked() {
    PlistReadResult read = readPlistFile(path_);
    if (read.status == PlistReadResult::Status::ok) {
        values_ = std::move(read.dict);
    } else {
        values_ = Dictionary();
        if (read.status == PlistReadResult::Status::unreadable)
            ORVANE_LOG("user defaults unreadable, starting empty: " + read.error);
    }
}

void UserDefaults::reload() {
    std::lock_guard lock(mutex_);
    loadLocked();
}

std::optional<bool> UserDefaults::boolForKey(std::string_view key) const {
    std::lock_guard lock(mutex_);
    return values_.boolValue(key);
}

std::optional<std::int64_t> UserDefaults::integerForKey(std::string_view key) const {
    std::lock_guard lock(mutex_);
    return values_.intValue(key);
}

std::optional<std::string> UserDefaults::stringForKey(std::string_view key) const {
    std::lock_guard lock(mutex_);
    return values_.stringValue(key);
}

std::optional<Array> UserDefaults::arrayForKey(std::string_view key) const {
    std::lock_guard lock(mutex_);
    const PlistValue* v = values_.find(key);
    if (v && v->isArray()) return v->asArray();
    return std::nullopt;
}

std::optional<PlistValue> UserDefaults::objectForKey(std::string_view key) const {
    std::lock_guard lock(mutex_);
    const PlistValue* v = values_.find(key);
    if (v) return *v;
    return std::nullopt;
}

bool UserDefaults::setBool(std::string_view key, bool value) {
    return store(key, PlistValue(value));
}
bool UserDefaults::setInteger(std::string_view key, std::int64_t value) {
    return store(key, PlistValue(value));
}
bool UserDefaults::setString(std::string_view key, std::string_view value) {
    return store(key, PlistValue(value));
}
bool UserDefaults::setArray(std::string_view key, Array value) {
    return store(key, PlistValue(std::move(value)));
}
bool UserDefaults::setObject(std::string_view key, PlistValue value) {
    return store(key, std::move(value));
}
bool UserDefaults::removeObject(std::string_view key) { return store(key, std::nullopt); }

bool UserDefaults::store(std::string_view key, std::optional<PlistValue> value) {
    std::lock_guard lock(mutex_);
    // Start from the file as it is now, so what another process wrote meanwhile survives; only
    // the one key being set is ours to change.
    PlistReadResult disk = readPlistFile(path_);
    if (disk.status == PlistReadResult::Status::ok) {
        values_ = std::move(disk.dict);
    } else if (disk.status == PlistReadResult::Status::unreadable) {
        keepDamagedCopy(path_);
    }
    if (value) values_.set(key, std::move(*value));
    else values_.erase(key);
    std::string error;
    if (!writePlistFileAtomic(path_, values_, &error)) {
        ORVANE_LOG("cannot save the user defaults: " + error);
        return false;
    }
    return true;
}

}  // namespace orvane::settings
