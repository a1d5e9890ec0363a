#pragma once

#include <string>

#include "core/renamer/PerferenceSetting.h"
#include "core/renamer/PerferenceSettingLang.h"

namespace orvane::settings {
class UserDefaults;
}

namespace orvane::renamer {

// The renamer's two choices, kept in the user defaults as one dictionary from menu title to the
// chosen item, so the window and the command line share them.
class RenamePreferences {
public:
    static constexpr const char* kOrderTitle = "Rename Preferences";
    static constexpr const char* kLanguageTitle = "Language";

    // The language code; English when nothing (or nothing known) was chosen.
    static std::string getSettingValue(const settings::UserDefaults& defaults);
    // The name order; content only when nothing (or nothing known) was chosen.
    static PerferenceSetting getSettingValue2(const settings::UserDefaults& defaults);

    static bool setLanguage(settings::UserDefaults& defaults, PerferenceSettingLang lang);
    static bool setOrder(settings::UserDefaults& defaults, PerferenceSetting order);
};

}  // namespace orvane::renamer
