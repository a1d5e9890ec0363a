#include "core/renamer/PerferenceSetting.h"

#include "kit/Localization.h"

namespace orvane::renamer {

namespace {

struct Row {
    PerferenceSetting setting;
    std::string_view raw;
    std::string_view key;
    std::string_view order;
};

constexpr Row kRows[] = {
    {PerferenceSetting::content, "content", "Content", "c"},
    {PerferenceSetting::contentAutorDate, "contentAutorDate", "Content_Owner_Date", "cod"},
    {PerferenceSetting::contentDateAutor, "contentDateAutor", "Content_Date_Owner", "cdo"},
    {PerferenceSetting::autorContentDate, "autorContentDate", "Owner_Content_Date", "ocd"},
    {PerferenceSetting::autorDateContent, "autorDateContent", "Owner_Date_Content", "odc"},
    {PerferenceSetting::dateContentAutor, "dateContentAutor", "Date_Content_Owner", "dco"},
    {PerferenceSetting::dateAutorContent, "dateAutorContent", "Date_Owner_Content", "doc"},
};

const Row& row(PerferenceSetting s) { return kRows[static_cast<int>(s)]; }

}  // namespace

int formateNum(PerferenceSetting s) { return static_cast<int>(s) + 1; }

std::optional<PerferenceSetting> perferenceSettingFromFormateNum(int number) {
    if (number < 1 || number > 7) return std::nullopt;
    return static_cast<PerferenceSetting>(number - 1);
}

std::string_view rawValue(PerferenceSetting s) { return row(s).raw; }
std::string_view displayKey(PerferenceSetting s) { return row(s).key; }
std::string_view partOrder(PerferenceSetting s) { return row(s).order; }

std::optional<PerferenceSetting> perferenceSettingFromDisplayText(std::string_view text) {
    for (const Row& r : kRows)
        if (kit::localized(r.key) == text || r.key == text) return r.setting;
    return std::nullopt;
}

}  // namespace orvane::renamer
