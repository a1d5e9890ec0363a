#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/settings/PlistValue.h"

namespace orvane::settings {

// A read-only snapshot of the scanner settings stored in "PreferenceInfo.plist" in the
// application-support folder. Making one reads the file, creating it with the defaults when it
// is missing; a missing key or a value of the wrong type takes its fallback.
class PerferenceInfo {
public:
    // Reads <support folder>/PreferenceInfo.plist (kit::applicationSupportDirectory()).
    PerferenceInfo();
    // Reads the given file; for tests and the command line.
    explicit PerferenceInfo(const std::string& plistPath);

    static std::string defaultPath();
    static Dictionary defaultDictionary();  // "audio", "file", ... in the stored order
    // Integer bytes of a typed bound: nothing when the text is empty; 0 when not an integer;
    // "GB" 10^9, "MB" 10^6, anything else 10^3.
    static std::optional<std::int64_t> byteBound(const std::string& text, const std::string& unit);

    bool enableMaxSize = false, maxSelectState = false;
    bool enableMinSize = false, minSelectState = false;
    std::string localMaxFileSize, localMinFileSize;
    std::string maxByteType = "MB", minByteType = "MB";
    std::optional<std::int64_t> maxSize, minSize;
    bool omitVideo = true, omitAudio = true, omitPicture = true, omitDocument = true,
         omitOther = true;
    bool omitHidden = true;
    bool omitZeroByte = true;
    std::vector<std::string> whiteListPath;  // file paths (the URLs of the stored strings)
    std::vector<std::string> localWhiteList;
    std::vector<std::string> dupImagesWhiteListPath;
    std::vector<std::string> largeFileWhiteListPath;
    std::vector<std::string> localLargeFileWhiteListPath;
    std::int64_t threshold = 85;
    bool similarImageEnableMaxSize = false, similarImageMaxSelectState = false;
    bool similarImageEnableMinSize = false, similarImageMinSelectState = false;
    std::string similarImageLocalMaxFileSize, similarImageLocalMinFileSize;
    std::string similarImageMaxByteType = "MB", similarImageMinByteType = "MB";
    std::optional<std::int64_t> similarImageMaxSize, similarImageMinSize;
    bool autoStartup = true;

    Dictionary dataDict;  // as read (empty when unreadable)
    Dictionary dic;       // the defaults

    // True when the file existed but could not be parsed; the snapshot then holds fallbacks and
    // the file is left as it is until the user saves.
    bool unreadable = false;
    std::string path;
};

// Writes `data` atomically (temporary file + rename) to the settings file and returns the fresh
// snapshot; hands it to the duplicate scanner unless that is scanning (done by the caller that
// owns the scanner: see the ScanManager's preference hook). Error text on failure.
struct SaveResult {
    bool ok = false;
    std::string error;
};
SaveResult setPerenceInfo(const Dictionary& data, const std::string& plistPath = PerferenceInfo::defaultPath());

}  // namespace orvane::settings
