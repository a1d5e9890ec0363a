#include "core/settings/SettingsValidator.h"

#include <algorithm>
#include <cctype>

#include "core/settings/PerferenceInfo.h"
#include "kit/Localization.h"

namespace orvane::settings {

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool allDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

struct PairKeys {
    std::string_view maxText, maxUnit, maxSelect, minText, minUnit, minSelect;
};

PairKeys keysOf(BoundPair pair) {
    if (pair == BoundPair::duplicate)
        return {prefkey::maxFileSize, prefkey::maxSizeType, prefkey::maxSelect,
                prefkey::minFileSize, prefkey::minSizeType, prefkey::minSelect};
    return {prefkey::similarImageMaxFileSize, prefkey::similarImageMaxSizeType,
            prefkey::similarImageMaxSelect,   prefkey::similarImageMinFileSize,
            prefkey::similarImageMinSizeType, prefkey::similarImageMinSelect};
}

constexpr std::string_view kKindKeys[] = {prefkey::video, prefkey::audio, prefkey::photo,
                                          prefkey::file, prefkey::other};

}  // namespace

SettingKind SettingsValidator::kindOf(std::string_view key) {
    using namespace prefkey;
    for (std::string_view k :
         {audio, file, other, video, photo, maxSelect, minSelect, hiddenFile, zeroByteFile,
          similarImageMaxSelect, similarImageMinSelect, autoStartup})
        if (key == k) return SettingKind::boolean;
    for (std::string_view k :
         {maxFileSize, minFileSize, similarImageMaxFileSize, similarImageMinFileSize})
        if (key == k) return SettingKind::sizeText;
    for (std::string_view k :
         {maxSizeType, minSizeType, similarImageMaxSizeType, similarImageMinSizeType})
        if (key == k) return SettingKind::unit;
    if (key == threshold) return SettingKind::threshold;
    for (std::string_view k : {whiteListPath, dupImagesWhiteListPath, largeFileWhiteListPath})
        if (key == k) return SettingKind::pathList;
    return SettingKind::unknown;
}

std::string SettingsValidator::limitSizeText(std::string_view text) {
    return std::string(text.substr(0, std::min(text.size(), kMaxSizeCharacters)));
}

Verdict SettingsValidator::checkSizeText(std::string_view text) {
    if (text.size() <= kMaxSizeCharacters && allDigits(text)) return Verdict::accept();
    return Verdict::refuse(kit::localized(
        "The size must be a whole number of at most three digits. Please enter again."));
}

Verdict SettingsValidator::checkUnit(std::string_view unit) {
    if (unit == "KB" || unit == "MB" || unit == "GB") return Verdict::accept();
    return Verdict::refuse(kit::localized("The unit must be KB, MB or GB. Please enter again."));
}

Verdict SettingsValidator::checkThreshold(std::string_view text) {
    const auto value = allDigits(text) ? PerferenceInfo::parseInteger(text) : std::nullopt;
    if (value && *value >= kMinThreshold && *value <= kMaxThreshold) return Verdict::accept();
    return Verdict::refuse(kit::localized(
        "The similarity threshold must be a whole number from 20 to 100. Please enter again."));
}

Verdict SettingsValidator::checkBounds(const Dictionary& data, BoundPair pair) {
    const PairKeys k = keysOf(pair);
    const bool inForce =
        data.boolValue(k.maxSelect).value_or(false) || data.boolValue(k.minSelect).value_or(false);
    if (!inForce) return Verdict::accept();
    const auto maxBytes = PerferenceInfo::byteBound(data.stringValue(k.maxText).value_or(""),
                                                    data.stringValue(k.maxUnit).value_or("MB"));
    const auto minBytes = PerferenceInfo::byteBound(data.stringValue(k.minText).value_or(""),
                                                    data.stringValue(k.minUnit).value_or("MB"));
    if (maxBytes && minBytes && *maxBytes < *minBytes)
        return Verdict::refuse(kit::localized(kMaxBelowMinMessage));
    return Verdict::accept();
}

Verdict SettingsValidator::checkKinds(const Dictionary& data) {
    for (std::string_view k : kKindKeys)
        if (data.boolValue(k).value_or(true)) return Verdict::accept();
    return Verdict::refuse(kit::localized(kNoFileKindMessage));
}

std::optional<bool> SettingsValidator::parseBool(std::string_view text) {
    const std::string t = lower(text);
    if (t == "true" || t == "yes" || t == "on" || t == "1") return true;
    if (t == "false" || t == "no" || t == "off" || t == "0") return false;
    return std::nullopt;
}

Verdict SettingsValidator::applyText(Dictionary& data, std::string_view key,
                                     const std::vector<std::string>& values) {
    const SettingKind kind = kindOf(key);
    if (kind == SettingKind::unknown)
        return Verdict::refuse(
            kit::formatLocalized("Unknown setting %@. Please enter again.", {key}));
    if (kind != SettingKind::pathList && values.size() != 1)
        return Verdict::refuse(
            kit::formatLocalized("%@ takes exactly one value. Please enter again.", {key}));

    Dictionary candidate = data;
    switch (kind) {
        case SettingKind::boolean: {
            const auto b = parseBool(values[0]);
            if (!b)
                return Verdict::refuse(
                    kit::localized("A switch is true or false. Please enter again."));
            candidate.set(key, *b);
            break;
        }
        case SettingKind::sizeText:
            if (Verdict v = checkSizeText(values[0]); !v) return v;
            candidate.set(key, values[0]);
            break;
        case SettingKind::unit: {
            std::string unit = values[0];
            for (char& c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (Verdict v = checkUnit(unit); !v) return v;
            candidate.set(key, unit);
            break;
        }
        case SettingKind::threshold:
            if (Verdict v = checkThreshold(values[0]); !v) return v;
            // Stored the way the slider stores it: the whole number as text, no sign or zeros.
            candidate.set(key, std::to_string(*PerferenceInfo::parseInteger(values[0])));
            break;
        case SettingKind::pathList: candidate.set(key, PlistValue::stringArray(values)); break;
        case SettingKind::unknown: break;
    }
    // Only the rules this key takes part in: an unrelated oddity already in the file must not
    // block every other change.
    if (std::find(std::begin(kKindKeys), std::end(kKindKeys), key) != std::end(kKindKeys))
        if (Verdict v = checkKinds(candidate); !v) return v;
    for (BoundPair pair : {BoundPair::duplicate, BoundPair::similarImage}) {
        const PairKeys k = keysOf(pair);
        for (std::string_view member :
             {k.maxText, k.maxUnit, k.maxSelect, k.minText, k.minUnit, k.minSelect})
            if (key == member)
                if (Verdict v = checkBounds(candidate, pair); !v) return v;
    }
    data = std::move(candidate);
    return Verdict::accept();
}

std::vector<std::string> SettingsValidator::addPaths(Dictionary& data, std::string_view key,
                                                     const std::vector<std::string>& paths) {
    std::vector<std::string> list = data.stringArray(key).value_or(std::vector<std::string>{});
    std::vector<std::string> added;
    for (const std::string& p : paths) {
        if (std::find(list.begin(), list.end(), p) != list.end()) continue;
        list.push_back(p);
        added.push_back(p);
    }
    data.set(key, PlistValue::stringArray(list));
    return added;
}

bool SettingsValidator::removePathAt(Dictionary& data, std::string_view key, std::size_t index) {
    std::vector<std::string> list = data.stringArray(key).value_or(std::vector<std::string>{});
    if (index >= list.size()) return false;
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
    data.set(key, PlistValue::stringArray(list));
    return true;
}

}  // namespace orvane::settings
