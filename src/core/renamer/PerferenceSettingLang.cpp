#include "core/renamer/PerferenceSettingLang.h"

#include "kit/Localization.h"

namespace orvane::renamer {

namespace {

struct Row {
    std::string_view code;
    std::string_view name;
};

constexpr Row kRows[kLanguageCount] = {
    {"en", "English"},
    {"zh-cn", "Simplified Chinese"},
    {"zh-tw", "Traditional Chinese"},
    {"ja", "Japanese"},
    {"ko", "Korean"},
    {"de", "German"},
    {"fr", "French"},
    {"es", "Spanish"},
    {"it", "Italian"},
    {"ru", "Russian"},
    {"nl", "Dutch"},
    {"cs", "Czech"},
    {"sv", "Swedish"},
    {"tr", "Turkish"},
    {"ar", "Arabic"},
    {"pt", "Portuguese"},
};

}  // namespace

std::string_view languageCode(PerferenceSettingLang lang) {
    return kRows[static_cast<int>(lang)].code;
}

std::string_view languageDisplayName(PerferenceSettingLang lang) {
    return kRows[static_cast<int>(lang)].name;
}

std::optional<PerferenceSettingLang> languageFromCode(std::string_view code) {
    for (int i = 0; i < kLanguageCount; ++i)
        if (kRows[i].code == code) return static_cast<PerferenceSettingLang>(i);
    return std::nullopt;
}

std::optional<PerferenceSettingLang> languageFromDisplayName(std::string_view name) {
    for (int i = 0; i < kLanguageCount; ++i)
        if (kRows[i].name == name || kit::localized(kRows[i].name) == name)
            return static_cast<PerferenceSettingLang>(i);
    return std::nullopt;
}

}  // namespace orvane::renamer
