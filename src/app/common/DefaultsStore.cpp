#include "app/common/DefaultsStore.h"

#include <QSettings>

#include <memory>

#include "kit/Paths.h"

namespace orvane::app {

namespace {

std::unique_ptr<QSettings> open() {
    const std::string file = kit::joinPath(kit::applicationSupportDirectory(), "defaults.ini");
    return std::make_unique<QSettings>(QString::fromStdString(file), QSettings::IniFormat);
}

QString key(const std::string& k) { return QString::fromStdString(k); }

}  // namespace

std::optional<std::string> DefaultsStore::string(const std::string& k) {
    auto s = open();
    if (!s->contains(key(k))) return std::nullopt;
    // Paths are stored as their bytes so a name that is not UTF-8 comes back unchanged.
    return s->value(key(k)).toByteArray().toStdString();
}

void DefaultsStore::setString(const std::string& k, const std::string& value) {
    auto s = open();
    s->setValue(key(k), QByteArray::fromStdString(value));
}

std::optional<bool> DefaultsStore::boolean(const std::string& k) {
    auto s = open();
    if (!s->contains(key(k))) return std::nullopt;
    return s->value(key(k)).toBool();
}

void DefaultsStore::setBool(const std::string& k, bool value) {
    auto s = open();
    s->setValue(key(k), value);
}

void DefaultsStore::remove(const std::string& k) {
    auto s = open();
    s->remove(key(k));
}

}  // namespace orvane::app
