#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/PlistValue.h"

namespace orvane::settings {

// The outcome of checking a settings change: accepted, or refused with the message the user
// sees (already localised).
struct Verdict {
    bool ok = true;
    std::string message;
    static Verdict accept() { return {}; }
    static Verdict refuse(std::string text) { return {false, std::move(text)}; }
    explicit operator bool() const { return ok; }
};

// Which pair of size bounds a rule is about.
enum class BoundPair { duplicate, similarImage };

// What kind of value a settings key holds, as far as typing one in is concerned.
enum class SettingKind { boolean, sizeText, unit, threshold, pathList, unknown };

// The input rules of the scanner settings, shared by the preferences window and the command line
// so both refuse the same things with the same words. Nothing here touches the file.
class SettingsValidator {
public:
    static constexpr std::size_t kMaxSizeCharacters = 3;
    static constexpr int kMinThreshold = 20;
    static constexpr int kMaxThreshold = 100;
    static constexpr std::string_view kMaxBelowMinMessage =
        "Maximum value must be greater than or equal to minimum value. Please enter again.";
    static constexpr std::string_view kNoFileKindMessage = "Please select at least one file type.";

    static SettingKind kindOf(std::string_view key);
    // The size field never holds more than three characters: longer text is cut back, the way
    // the window trims what was typed.
    static std::string limitSizeText(std::string_view text);

    static Verdict checkSizeText(std::string_view text);   // "" (no bound) or 1–3 digits
    static Verdict checkUnit(std::string_view unit);       // "KB", "MB" or "GB"
    static Verdict checkThreshold(std::string_view text);  // whole number 20–100
    // With either switch of the pair on and both sizes filled in, the maximum must not be below
    // the minimum, compared in bytes.
    static Verdict checkBounds(const Dictionary& data, BoundPair pair);
    // At least one of the five duplicate file kinds stays scanned.
    static Verdict checkKinds(const Dictionary& data);

    // Applies a typed value to `data` when it and the rules it touches pass; `data` is left
    // unchanged when refused. Booleans accept true/false, yes/no, on/off, 1/0; units are
    // case-insensitive; a path list takes all `values` (none clears it).
    static Verdict applyText(Dictionary& data, std::string_view key,
                             const std::vector<std::string>& values);

    // Appends the paths not listed yet (exact comparison, in order) to the list under `key`;
    // returns those added.
    static std::vector<std::string> addPaths(Dictionary& data, std::string_view key,
                                             const std::vector<std::string>& paths);
    // Removes the entry at `index` of the list under `key`; false when there is none.
    static bool removePathAt(Dictionary& data, std::string_view key, std::size_t index);

    static std::optional<bool> parseBool(std::string_view text);
};

}  // namespace orvane::settings
