#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::renamer {

// The order of the parts of a suggested name. The service is sent the position + 1.
enum class PerferenceSetting {
    content,
    contentAutorDate,
    contentDateAutor,
    autorContentDate,
    autorDateContent,
    dateContentAutor,
    dateAutorContent,
};

inline constexpr PerferenceSetting kAllPerferenceSettings[] = {
    PerferenceSetting::content,          PerferenceSetting::contentAutorDate,
    PerferenceSetting::contentDateAutor, PerferenceSetting::autorContentDate,
    PerferenceSetting::autorDateContent, PerferenceSetting::dateContentAutor,
    PerferenceSetting::dateAutorContent,
};

int formateNum(PerferenceSetting s);
std::optional<PerferenceSetting> perferenceSettingFromFormateNum(int number);
// The case name ("contentAutorDate"), which is also the raw value.
std::string_view rawValue(PerferenceSetting s);
// The localisation key of the menu item ("Content_Owner_Date").
std::string_view displayKey(PerferenceSetting s);
// The first case whose localised display text is `text`.
std::optional<PerferenceSetting> perferenceSettingFromDisplayText(std::string_view text);

// The parts in the order the setting asks for: 'c' content, 'o' owner, 'd' date.
std::string_view partOrder(PerferenceSetting s);

}  // namespace orvane::renamer
