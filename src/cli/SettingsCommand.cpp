// `orvane settings`: shows the scanner settings as the scanners will see them, changes one of
// them under the same rules as the preferences window, or puts the defaults back.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Commands.h"
#include "core/settings/PerferenceInfo.h"
#include "core/settings/SettingsValidator.h"
#include "kit/Localization.h"
#include "kit/Paths.h"
#include "kit/SizeFormat.h"

namespace orvane::cli {

namespace {

using settings::Dictionary;
using settings::PerferenceInfo;
using settings::PlistValue;

std::string grouped(std::int64_t n) {
    std::string digits =
        std::to_string(n < 0 ? -static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n));
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return n < 0 ? "-" + out : out;
}

std::string boundText(bool inForce, const std::string& typed, const std::string& unit,
                      const std::optional<std::int64_t>& bytes) {
    if (!bytes) return inForce ? "no limit (no size typed)" : "no limit";
    std::string text =
        (typed.empty() ? "0" : typed) + " " + unit + " = " + grouped(*bytes) + " bytes";
    return inForce ? text : "no limit (" + text + " is switched off)";
}

void printLine(const char* label, const std::string& value, std::string_view key) {
    std::printf("  %-24s %s", label, value.c_str());
    if (!key.empty()) std::printf("   [%.*s]", static_cast<int>(key.size()), key.data());
    std::printf("\n");
}

void printPaths(const char* label, const std::vector<std::string>& paths, std::string_view key) {
    if (paths.empty()) {
        printLine(label, "none", key);
        return;
    }
    printLine(label, kit::displayPath(paths.front()), key);
    for (std::size_t i = 1; i < paths.size(); ++i)
        std::printf("  %-24s %s\n", "", kit::displayPath(paths[i]).c_str());
}

void warnIfDamaged(const PerferenceInfo& info) {
    if (!info.unreadable) return;
    std::fprintf(stderr,
                 "orvane settings: the settings file cannot be read (%s); the defaults are in "
                 "force and the file is left as it is until a setting is saved.\n",
                 kit::displayPath(info.readError).c_str());
}

int showHuman(const PerferenceInfo& info) {
    namespace k = settings::prefkey;
    std::printf("Settings file: %s\n\n", kit::displayPath(info.path).c_str());
    std::printf("Duplicate files\n");
    std::string kinds;
    auto addKind = [&kinds](bool on, const char* name) {
        if (!on) return;
        if (!kinds.empty()) kinds += ", ";
        kinds += name;
    };
    addKind(info.omitVideo, "Video");
    addKind(info.omitAudio, "Audio");
    addKind(info.omitPicture, "Image");
    addKind(info.omitDocument, "Document");
    addKind(info.omitOther, "Others");
    printLine("File kinds scanned:", kinds.empty() ? "none" : kinds,
              "video audio photo file other");
    printLine("Hidden files:", info.omitHidden ? "left out" : "scanned", k::hiddenFile);
    printLine("Zero-byte files:", info.omitZeroByte ? "left out" : "scanned", k::zeroByteFile);
    printLine("Largest file size:",
              boundText(info.enableMaxSize, info.localMaxFileSize, info.maxByteType, info.maxSize),
              "maxSelect maxFileSize maxSizeType");
    printLine("Smallest file size:",
              boundText(info.enableMinSize, info.localMinFileSize, info.minByteType, info.minSize),
              "minSelect minFileSize minSizeType");
    printPaths("Excluded folders:", info.localWhiteList, k::whiteListPath);

    std::printf("\nSimilar images\n");
    printLine("Similarity threshold:", std::to_string(info.threshold) + "%", k::threshold);
    printLine("Largest file size:",
              boundText(info.similarImageEnableMaxSize, info.similarImageLocalMaxFileSize,
                        info.similarImageMaxByteType, info.similarImageMaxSize),
              "similarImageMaxSelect similarImageMaxFileSize similarImageMaxSizeType");
    printLine("Smallest file size:",
              boundText(info.similarImageEnableMinSize, info.similarImageLocalMinFileSize,
                        info.similarImageMinByteType, info.similarImageMinSize),
              "similarImageMinSelect similarImageMinFileSize similarImageMinSizeType");
    printPaths("Excluded folders:", info.dupImagesWhiteListPath, k::dupImagesWhiteListPath);

    std::printf("\nLarge files\n");
    printPaths("Excluded folders:", info.localLargeFileWhiteListPath, k::largeFileWhiteListPath);

    std::printf("\nGeneral\n");
    printLine("Start with the system:", info.autoStartup ? "yes" : "no", k::autoStartup);
    return kExitOk;
}

nlohmann::ordered_json toJson(const PlistValue& v) {
    if (v.isBool()) return v.asBool();
    if (v.isInt()) return v.asInt();
    if (v.isReal()) return v.asReal();
    if (v.isString()) return v.asString();
    if (v.isArray()) {
        nlohmann::ordered_json a = nlohmann::ordered_json::array();
        for (const PlistValue& item : v.asArray()) a.push_back(toJson(item));
        return a;
    }
    nlohmann::ordered_json o = nlohmann::ordered_json::object();
    const Dictionary& d = v.asDictionary();
    for (std::size_t i = 0; i < d.size(); ++i) o[d.keys()[i]] = toJson(d.valueAt(i));
    return o;
}

nlohmann::ordered_json optionalBytes(const std::optional<std::int64_t>& v) {
    return v ? nlohmann::ordered_json(*v) : nlohmann::ordered_json(nullptr);
}

int showJson(const PerferenceInfo& info) {
    // Each stored key with the value in force: the file's when it has the right type, else the
    // default, so a script sees exactly what a scan would use.
    nlohmann::ordered_json stored = nlohmann::ordered_json::object();
    for (std::size_t i = 0; i < info.dic.size(); ++i) {
        const std::string& key = info.dic.keys()[i];
        const PlistValue& fallback = info.dic.valueAt(i);
        const PlistValue* own = info.dataDict.find(key);
        const bool usable = own && own->storage().index() == fallback.storage().index();
        stored[key] = toJson(usable ? *own : fallback);
    }
    nlohmann::ordered_json out = {
        {"file", info.path},
        {"readable", !info.unreadable},
        {"settings", stored},
        {"effective",
         {{"maxSize", info.enableMaxSize ? optionalBytes(info.maxSize) : nullptr},
          {"minSize", info.enableMinSize ? optionalBytes(info.minSize) : nullptr},
          {"similarImageMaxSize",
           info.similarImageEnableMaxSize ? optionalBytes(info.similarImageMaxSize) : nullptr},
          {"similarImageMinSize",
           info.similarImageEnableMinSize ? optionalBytes(info.similarImageMinSize) : nullptr},
          {"threshold", info.threshold}}},
    };
    // Paths need not be UTF-8; JSON must be, so foreign bytes show as U+FFFD here only.
    std::printf("%s\n",
                out.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
    return kExitOk;
}

// A value the user typed was refused: the window's closing words tell them to try again.
int refuse(std::string message) {
    static constexpr std::string_view kAgain = "Please enter again.";
    if (!std::string_view(message).ends_with(kAgain)) message += " " + kit::localized(kAgain);
    std::fprintf(stderr, "orvane settings: %s\n", message.c_str());
    return kExitUsage;
}

int setValue(const std::string& key, const std::vector<std::string>& values) {
    PerferenceInfo info;
    // A damaged file has nothing to build on: start from the defaults so the saved file is whole.
    Dictionary data = info.unreadable ? info.dic : info.dataDict;
    settings::Verdict verdict = settings::SettingsValidator::applyText(data, key, values);
    if (!verdict) return refuse(verdict.message);
    settings::SaveResult saved = settings::setPerenceInfo(data, info.path);
    if (!saved.ok) {
        std::fprintf(stderr, "orvane settings: the settings could not be saved: %s\n",
                     kit::displayPath(saved.error).c_str());
        return kExitFailure;
    }
    std::string shown;
    for (const std::string& v : values) shown += (shown.empty() ? "" : " ") + kit::displayPath(v);
    const settings::PlistValue* stored = data.find(key);
    if (stored && stored->isString()) shown = kit::displayPath(stored->asString());
    if (stored && stored->isBool()) shown = stored->asBool() ? "true" : "false";
    std::printf("%s = %s\n", key.c_str(), shown.empty() ? "(empty)" : shown.c_str());
    if (key == settings::prefkey::autoStartup)
        std::printf(
            "Only the stored setting changed; the Orvane window registers or removes "
            "the login item itself.\n");
    return kExitOk;
}

// The white lists by the names a person would use, or by their stored key.
std::optional<std::string_view> listKey(const std::string& name) {
    namespace k = settings::prefkey;
    if (name == "duplicates" || name == k::whiteListPath) return k::whiteListPath;
    if (name == "photos" || name == k::dupImagesWhiteListPath) return k::dupImagesWhiteListPath;
    if (name == "large-files" || name == k::largeFileWhiteListPath)
        return k::largeFileWhiteListPath;
    return std::nullopt;
}

int editList(const std::string& list, const std::vector<std::string>& paths, bool add) {
    const auto key = listKey(list);
    if (!key)
        return refuse("'" + kit::displayPath(list) +
                      "' is not a folder list (duplicates, photos or large-files).");
    PerferenceInfo info;
    Dictionary data = info.unreadable ? info.dic : info.dataDict;
    std::vector<std::string> wanted;
    for (const std::string& p : paths) wanted.push_back(kit::absolutePath(p));
    std::vector<std::string> changed;
    if (add) {
        changed = settings::SettingsValidator::addPaths(data, *key, wanted);
    } else {
        std::vector<std::string> current =
            data.stringArray(*key).value_or(std::vector<std::string>{});
        for (const std::string& p : wanted) {
            auto it = std::find(current.begin(), current.end(), p);
            if (it == current.end()) continue;
            settings::SettingsValidator::removePathAt(
                data, *key, static_cast<std::size_t>(it - current.begin()));
            current.erase(it);
            changed.push_back(p);
        }
    }
    if (!changed.empty()) {
        settings::SaveResult saved = settings::setPerenceInfo(data, info.path);
        if (!saved.ok) {
            std::fprintf(stderr, "orvane settings: the settings could not be saved: %s\n",
                         kit::displayPath(saved.error).c_str());
            return kExitFailure;
        }
    }
    for (const std::string& p : wanted) {
        const bool did = std::find(changed.begin(), changed.end(), p) != changed.end();
        std::printf("%s %s\n",
                    add ? (did ? "added" : "already listed") : (did ? "removed" : "not listed"),
                    kit::displayPath(p).c_str());
    }
    return kExitOk;
}

int resetAll() {
    settings::SaveResult saved = settings::setPerenceInfo(PerferenceInfo::defaultDictionary(),
                                                          PerferenceInfo::defaultPath());
    if (!saved.ok) {
        std::fprintf(stderr, "orvane settings: the defaults could not be saved: %s\n",
                     kit::displayPath(saved.error).c_str());
        return kExitFailure;
    }
    std::printf("Settings reset to the defaults.\n");
    return kExitOk;
}

}  // namespace

void addSettingsCommand(CLI::App& app, Action& action) {
    auto* cmd = app.add_subcommand("settings", "Show or change the scanner settings");
    cmd->require_subcommand(0, 1);
    auto json = std::make_shared<bool>(false);
    cmd->add_flag("--json", *json, "Print the settings in force as JSON");

    auto key = std::make_shared<std::string>();
    auto values = std::make_shared<std::vector<std::string>>();
    auto* set = cmd->add_subcommand(
        "set",
        "Change one setting: a switch (true/false), a size (up to three digits), a unit "
        "(KB, MB, GB), the similarity threshold (20-100), or a folder list (any number "
        "of paths; none clears it)");
    set->add_option("key", *key, "Setting name as shown by `orvane settings`")->required();
    set->add_option("values", *values, "New value");
    auto* reset = cmd->add_subcommand("reset", "Put every setting back to its default");

    auto list = std::make_shared<std::string>();
    auto paths = std::make_shared<std::vector<std::string>>();
    auto* addPath = cmd->add_subcommand(
        "add-path", "Leave folders out of a scan: LIST is duplicates, photos or large-files");
    addPath->add_option("list", *list, "duplicates, photos or large-files")->required();
    addPath->add_option("paths", *paths, "Folders to leave out")->required();
    auto* removePath = cmd->add_subcommand("remove-path", "Scan folders left out before again");
    removePath->add_option("list", *list, "duplicates, photos or large-files")->required();
    removePath->add_option("paths", *paths, "Folders to scan again")->required();

    cmd->callback([&action, json, key, values, set, reset, list, paths, addPath, removePath] {
        action = [json, key, values, set, reset, list, paths, addPath, removePath]() -> int {
            if (set->parsed()) return setValue(*key, *values);
            if (reset->parsed()) return resetAll();
            if (addPath->parsed()) return editList(*list, *paths, true);
            if (removePath->parsed()) return editList(*list, *paths, false);
            PerferenceInfo info;
            warnIfDamaged(info);
            return *json ? showJson(info) : showHuman(info);
        };
    });
}

const SubcommandRegistration kRegistration{10, addSettingsCommand};

}  // namespace orvane::cli
