#include "core/settings/PerferenceInfo.h"

#include <limits>

#include "core/settings/PlistFile.h"
#include "core/settings/PreferenceObservers.h"
#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::settings {

std::string PerferenceInfo::defaultPath() {
    return kit::joinPath(kit::applicationSupportDirectory(), "PreferenceInfo.plist");
}

Dictionary PerferenceInfo::defaultDictionary() {
    Dictionary d;
    d.set(prefkey::audio, true);
    d.set(prefkey::file, true);
    d.set(prefkey::other, true);
    d.set(prefkey::video, true);
    d.set(prefkey::photo, true);
    d.set(prefkey::maxFileSize, "");
    d.set(prefkey::maxSelect, false);
    d.set(prefkey::maxSizeType, "MB");
    d.set(prefkey::minFileSize, "");
    d.set(prefkey::minSelect, false);
    d.set(prefkey::minSizeType, "MB");
    d.set(prefkey::whiteListPath, Array{});
    d.set(prefkey::dupImagesWhiteListPath, Array{});
    d.set(prefkey::largeFileWhiteListPath, Array{});
    d.set(prefkey::hiddenFile, true);
    d.set(prefkey::zeroByteFile, true);
    d.set(prefkey::threshold, "85");
    d.set(prefkey::similarImageMaxFileSize, "");
    d.set(prefkey::similarImageMaxSelect, false);
    d.set(prefkey::similarImageMaxSizeType, "MB");
    d.set(prefkey::similarImageMinFileSize, "");
    d.set(prefkey::similarImageMinSelect, false);
    d.set(prefkey::similarImageMinSizeType, "MB");
    d.set(prefkey::autoStartup, true);
    return d;
}

std::optional<std::int64_t> PerferenceInfo::parseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    // Accumulate as a negative number: its range is one larger, so INT64_MIN still parses.
    std::int64_t value = 0;
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const int digit = c - '0';
        if (value < (lowest + digit) / 10) return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == lowest) return std::nullopt;
        value = -value;
    }
    return value;
}

std::optional<std::int64_t> PerferenceInfo::byteBound(const std::string& text,
                                                      const std::string& unit) {
    if (text.empty()) return std::nullopt;
    const std::int64_t number = parseInteger(text).value_or(0);
    const std::int64_t scale = unit == "GB" ? 1'000'000'000 : unit == "MB" ? 1'000'000 : 1'000;
    constexpr std::int64_t hi = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t lo = std::numeric_limits<std::int64_t>::min();
    if (number > hi / scale) return hi;
    if (number < lo / scale) return lo;
    return number * scale;
}

PerferenceInfo::PerferenceInfo() : PerferenceInfo(defaultPath()) {}

std::string PerferenceInfo::removalRefusal() const {
    if (!unreadable) return {};
    return kit::formatLocalized(
        "The settings file could not be read (%@), so the folders you excluded are not known. "
        "Nothing is removed in this run: repair the file or reset the settings, then scan again.",
        {readError});
}

PerferenceInfo::PerferenceInfo(const std::string& plistPath)
    : dic(defaultDictionary()), path(plistPath) {
    PlistReadResult read = readPlistFile(path);
    switch (read.status) {
        case PlistReadResult::Status::ok: dataDict = std::move(read.dict); break;
        case PlistReadResult::Status::missing: {
            std::string error;
            if (writePlistFileAtomic(path, dic, &error)) {
                dataDict = dic;
            } else {
                ORVANE_LOG("cannot create the settings file: " + error);
            }
            break;
        }
        case PlistReadResult::Status::unreadable:
            unreadable = true;
            readError = read.error;
            ORVANE_LOG("settings file unreadable, using the defaults and leaving it untouched: " +
                       read.error);
            break;
    }
    fill(dataDict);
}

void PerferenceInfo::fill(const Dictionary& d) {
    enableMaxSize = maxSelectState = d.boolValue(prefkey::maxSelect).value_or(false);
    enableMinSize = minSelectState = d.boolValue(prefkey::minSelect).value_or(false);
    localMaxFileSize = d.stringValue(prefkey::maxFileSize).value_or("");
    localMinFileSize = d.stringValue(prefkey::minFileSize).value_or("");
    maxByteType = d.stringValue(prefkey::maxSizeType).value_or("MB");
    minByteType = d.stringValue(prefkey::minSizeType).value_or("MB");
    maxSize = byteBound(localMaxFileSize, maxByteType);
    minSize = byteBound(localMinFileSize, minByteType);

    omitVideo = d.boolValue(prefkey::video).value_or(true);
    omitAudio = d.boolValue(prefkey::audio).value_or(true);
    omitPicture = d.boolValue(prefkey::photo).value_or(true);
    omitDocument = d.boolValue(prefkey::file).value_or(true);
    omitOther = d.boolValue(prefkey::other).value_or(true);
    omitHidden = d.boolValue(prefkey::hiddenFile).value_or(true);
    omitZeroByte = d.boolValue(prefkey::zeroByteFile).value_or(true);

    localWhiteList = d.stringArray(prefkey::whiteListPath).value_or(std::vector<std::string>{});
    whiteListPath = localWhiteList;
    dupImagesWhiteListPath =
        d.stringArray(prefkey::dupImagesWhiteListPath).value_or(std::vector<std::string>{});
    localLargeFileWhiteListPath =
        d.stringArray(prefkey::largeFileWhiteListPath).value_or(std::vector<std::string>{});
    largeFileWhiteListPath = localLargeFileWhiteListPath;

    threshold = 85;
    if (auto text = d.stringValue(prefkey::threshold)) threshold = parseInteger(*text).value_or(85);

    similarImageEnableMaxSize = similarImageMaxSelectState =
        d.boolValue(prefkey::similarImageMaxSelect).value_or(false);
    similarImageEnableMinSize = similarImageMinSelectState =
        d.boolValue(prefkey::similarImageMinSelect).value_or(false);
    similarImageLocalMaxFileSize = d.stringValue(prefkey::similarImageMaxFileSize).value_or("");
    similarImageLocalMinFileSize = d.stringValue(prefkey::similarImageMinFileSize).value_or("");
    similarImageMaxByteType = d.stringValue(prefkey::similarImageMaxSizeType).value_or("MB");
    similarImageMinByteType = d.stringValue(prefkey::similarImageMinSizeType).value_or("MB");
    similarImageMaxSize = byteBound(similarImageLocalMaxFileSize, similarImageMaxByteType);
    similarImageMinSize = byteBound(similarImageLocalMinFileSize, similarImageMinByteType);

    autoStartup = d.boolValue(prefkey::autoStartup).value_or(true);
}

SaveResult setPerenceInfo(const Dictionary& data, const std::string& plistPath) {
    SaveResult result;
    // Replacing a damaged file is the user's choice, but what it held is kept aside.
    if (readPlistFile(plistPath).status == PlistReadResult::Status::unreadable)
        keepDamagedCopy(plistPath);
    if (!writePlistFileAtomic(plistPath, data, &result.error)) {
        ORVANE_LOG("saving the settings failed: " + result.error);
        return result;
    }
    result.ok = true;
    result.snapshot = std::make_shared<const PerferenceInfo>(plistPath);
    PreferenceObservers::notify(result.snapshot);
    return result;
}

}  // namespace orvane::settings
