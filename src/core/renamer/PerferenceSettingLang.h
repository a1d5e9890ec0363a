#pragma once

#include <optional>
#include <string_view>

namespace orvane::renamer {

// The language the suggested name is asked in; the raw value is the code sent to the service.
enum class PerferenceSettingLang {
    langEN,
    langCN,
    langTW,
    langJP,
    langKR,
    langDE,
    langFR,
    langES,
    langIT,
    langRU,
    langNL,
    langCZ,
    langSE,
    langTR,
    langAR,
    langBR,
};

inline constexpr int kLanguageCount = 16;

std::string_view languageCode(PerferenceSettingLang lang);
// The name of the language in English, as the menu shows it ("English", "German").
std::string_view languageDisplayName(PerferenceSettingLang lang);
std::optional<PerferenceSettingLang> languageFromCode(std::string_view code);
std::optional<PerferenceSettingLang> languageFromDisplayName(std::string_view name);

}  // namespace orvane::renamer
