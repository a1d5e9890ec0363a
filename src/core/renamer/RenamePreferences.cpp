#include "core/renamer/RenamePreferences.h"

#include "core/settings/UserDefaults.h"
#include "kit/Localization.h"

namespace orvane::renamer {

namespace {

std::optional<std::string> chosenItem(const settings::UserDefaults& defaults, const char* title) {
    auto stored = defaults.objectForKey(settings::defaultskey::languageSelectedItems);
    if (!stored || !stored->isDictionary()) return std::nullopt;
    return stored->asDictionary().stringValue(kit::localized(title));
}

bool storeItem(settings::UserDefaults& defaults, const char* title, std::string_view item) {
    settings::Dictionary dict;
    if (auto stored = defaults.objectForKey(settings::defaultskey::languageSelectedItems);
        stored && stored->isDictionary())
        dict = stored->asDictionary();
    dict.set(kit::localized(title), settings::PlistValue(std::string(item)));
    return defaults.setObject(settings::defaultskey::languageSelectedItems,
                              settings::PlistValue(std::move(dict)));
}

}  // namespace

std::string RenamePreferences::getSettingValue(const settings::UserDefaults& defaults) {
    if (auto item = chosenItem(defaults, kLanguageTitle))
        if (auto lang = languageFromDisplayName(*item)) return std::string(languageCode(*lang));
    return std::string(languageCode(PerferenceSettingLang::langEN));
}

PerferenceSetting RenamePreferences::getSettingValue2(const settings::UserDefaults& defaults) {
    if (auto item = chosenItem(defaults, kOrderTitle))
        if (auto order = perferenceSettingFromDisplayText(*item)) return *order;
    return PerferenceSetting::content;
}

bool RenamePreferences::setLanguage(settings::UserDefaults& defaults, PerferenceSettingLang lang) {
    return storeItem(defaults, kLanguageTitle, languageDisplayName(lang));
}

bool RenamePreferences::setOrder(settings::UserDefaults& defaults, PerferenceSetting order) {
    return storeItem(defaults, kOrderTitle, kit::localized(displayKey(order)));
}

}  // namespace orvane::renamer
