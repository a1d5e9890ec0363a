#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orvane::junk {

// The five kinds of junk, as bits so that a scan can ask for any combination.
enum class CleanJunkType : std::uint32_t {
    systemJunk = 1,
    appJunk = 2,
    trash = 4,
    package = 8,
    internetJunk = 16,
};
inline constexpr std::uint32_t kAllJunkTypes = 31;
// What a scan covers unless asked otherwise: everything but the browsers' caches.
inline constexpr std::uint32_t kDefaultScanType = 15;

enum class ScanStageType {
    scanStageSystemCaches = 0,
    scanStageSystemLogs = 1,
    scanStageXcodeCaches = 2,
    scanStageApp = 3,
    scanStagePackage = 4,
    scanStagetrash = 5,
    scanStageInternetJunks = 6,
};

enum class ScanState { idle, scanning, paused, completed, failed };
enum class CleanState { idle, cleaning, paused, completed, failed };
enum class CleanStageType { cleanSystem, cleanApp, cleanPackage, cleanTrash, cleanInternet };
enum class CleanItemType { appCaches, appLogs, package, systemCaches, systemLogs, trash };

enum class CleanModelItemType {
    userData = 0,
    binaryFile = 1,
    container = 2,
    supportFile = 3,
    preference = 4,
    logFile = 5,
    cacheFile = 6,
    loginItem = 7,
    daemon = 8,
    otherSupportFile = 9,
    xcodeFile = 10,
};
std::optional<CleanModelItemType> cleanModelItemTypeFromRaw(int raw);

enum class SystemJunkType {
    systemCache,
    systemLogs,
    xcodeJunk,
    languageFiles,
    iOSDeviceBackups,
    noUseLoginItems,
    nonSystemFiles,
};

enum class InternetJunkType {
    mailAttachments,
    safariCache,
    chromeCache,
    firefoxCache,
    operaCache,
    edgeCache,
    downloadLogs,
    nonNetFiles,
};

enum class XcodeJunkType {
    cache,
    iOSDeviceLogs,
    derivedData,
    archives,
    iOSDeviceSupport,
    macDeviceSupport,
    simulatorRuntime,
    other,
    nonXcodeFiles,
};

enum class CleanUpItemSortType { normal, sizeAsc, sizeDesc };

// Rule hits are filed by the titles the rule document gives them: a title that equals a case's
// display name selects that case.
std::string_view displayName(SystemJunkType type);
std::string_view displayName(InternetJunkType type);
std::string_view displayName(XcodeJunkType type);
std::optional<SystemJunkType> systemJunkTypeNamed(std::string_view title);
std::optional<InternetJunkType> internetJunkTypeNamed(std::string_view title);
std::optional<XcodeJunkType> xcodeJunkTypeNamed(std::string_view title);

// The stored spelling of an Xcode junk case ("derivedData", ...).
std::string_view rawValue(XcodeJunkType type);
std::optional<XcodeJunkType> xcodeJunkTypeFromRaw(std::string_view raw);

}  // namespace orvane::junk
