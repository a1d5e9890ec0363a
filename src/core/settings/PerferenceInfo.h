#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/PlistValue.h"

namespace orvane::settings {

// The keys of "PreferenceInfo.plist", spelled once so that the preferences window, the command
// line and the snapshot cannot drift apart.
namespace prefkey {
inline constexpr std::string_view audio = "audio";
inline constexpr std::string_view file = "file";
inline constexpr std::string_view other = "other";
inline constexpr std::string_view video = "video";
inline constexpr std::string_view photo = "photo";
inline constexpr std::string_view maxFileSize = "maxFileSize";
inline constexpr std::string_view maxSelect = "maxSelect";
inline constexpr std::string_view maxSizeType = "maxSizeType";
inline constexpr std::string_view minFileSize = "minFileSize";
inline constexpr std::string_view minSelect = "minSelect";
inline constexpr std::string_view minSizeType = "minSizeType";
inline constexpr std::string_view whiteListPath = "whiteListPath";
inline constexpr std::string_view dupImagesWhiteListPath = "DupImagesWhiteListPath";
inline constexpr std::string_view largeFileWhiteListPath = "LargeFileWhiteListPath";
inline constexpr std::string_view hiddenFile = "hiddenFile";
inline constexpr std::string_view zeroByteFile = "zeroByteFile";
inline constexpr std::string_view threshold = "threshold";
inline constexpr std::string_view similarImageMaxFileSize = "similarImageMaxFileSize";
inline constexpr std::string_view similarImageMaxSelect = "similarImageMaxSelect";
inline constexpr std::string_view similarImageMaxSizeType = "similarImageMaxSizeType";
inline constexpr std::string_view similarImageMinFileSize = "similarImageMinFileSize";
inline constexpr std::string_view similarImageMinSelect = "similarImageMinSelect";
inline constexpr std::string_view similarImageMinSizeType = "similarImageMinSizeType";
inline constexpr std::string_view autoStartup = "autoStartup";
}  // namespace prefkey

// A read-only snapshot of the scanner settings stored in "PreferenceInfo.plist" in the
// application-support folder. Making one reads the file, creating it with the defaults when it
// is missing; a missing key or a value of the wrong type takes its fallback. A damaged file
// gives the fallbacks and is left as it is, so nothing the user had is lost until they save.
class PerferenceInfo {
public:
    // Reads <support folder>/PreferenceInfo.plist (kit::applicationSupportDirectory()).
    PerferenceInfo();
    // Reads the given file; for tests and the command line.
    explicit PerferenceInfo(const std::string& plistPath);

    static std::string defaultPath();
    static Dictionary defaultDictionary();  // "audio", "file", ... in the stored order
    // Integer bytes of a typed bound: nothing when the text is empty; 0 when not an integer;
    // "GB" 10^9, "MB" 10^6, anything else 10^3. Saturates instead of overflowing.
    static std::optional<std::int64_t> byteBound(const std::string& text, const std::string& unit);
    // Whole-number value of a text, as a person would type it ("85", "+5", "-3"); nothing for
    // anything else (spaces, fractions, out of range).
    static std::optional<std::int64_t> parseInteger(std::string_view text);

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
    std::string readError;  // why, when unreadable
    std::string path;

    // A scan run with a settings file that could not be read does not know which folders the
    // user excluded, so nothing it found may be removed: the sentence saying so, or empty when
    // the file was read.
    std::string removalRefusal() const;

private:
    void fill(const Dictionary& d);
};

// Writes `data` atomically (temporary file + fsync + rename) to the settings file, makes a fresh
// snapshot and hands it to every registered observer (PreferenceObservers); the duplicate
// scanner's observer applies it unless a scan is running. A damaged file being replaced is kept
// beside it as "<file>.corrupt". On failure the old file is untouched and `error` says why.
struct SaveResult {
    bool ok = false;
    std::string error;
    std::shared_ptr<const PerferenceInfo> snapshot;  // set when ok
};
SaveResult setPerenceInfo(const Dictionary& data,
                          const std::string& plistPath = PerferenceInfo::defaultPath());

}  // namespace orvane::settings
