#include "core/junk/JunkTypes.h"

#include <array>

namespace orvane::junk {

namespace {

constexpr std::array<std::string_view, 7> kSystemNames{
    "System Caches",     "System Logs",        "Xcode Junks",     "Language Files",
    "iOS Device Backup", "Unused Login Items", "Non-System Files"};
constexpr std::array<std::string_view, 8> kInternetNames{
    "Mail Attachments", "Safari",           "Chrome", "Firefox", "Opera", "Edge",
    "Download Logs",    "Non-Network Files"};
constexpr std::array<std::string_view, 9> kXcodeNames{"Caches",
                                                      "iOS Device Logs",
                                                      "Derived Data",
                                                      "Archives",
                                                      "iOS Device Support",
                                                      "Mac Device Support",
                                                      "Simulator Runtimes",
                                                      "Other",
                                                      "Non-Xcode Files"};
constexpr std::array<std::string_view, 9> kXcodeRaw{"cache",
                                                    "iOSDeviceLogs",
                                                    "derivedData",
                                                    "archives",
                                                    "iOSDeviceSupport",
                                                    "macDeviceSupport",
                                                    "simulatorRuntime",
                                                    "other",
                                                    "nonXcodeFiles"};

template <class E, std::size_t N>
std::optional<E> lookup(const std::array<std::string_view, N>& names, std::string_view title) {
    for (std::size_t i = 0; i < N; ++i)
        if (names[i] == title) return static_cast<E>(i);
    return std::nullopt;
}

}  // namespace

std::optional<CleanModelItemType> cleanModelItemTypeFromRaw(int raw) {
    if (raw < 0 || raw > static_cast<int>(CleanModelItemType::xcodeFile)) return std::nullopt;
    return static_cast<CleanModelItemType>(raw);
}

std::string_view displayName(SystemJunkType type) {
    return kSystemNames[static_cast<std::size_t>(type)];
}
std::string_view displayName(InternetJunkType type) {
    return kInternetNames[static_cast<std::size_t>(type)];
}
std::string_view displayName(XcodeJunkType type) {
    return kXcodeNames[static_cast<std::size_t>(type)];
}

std::optional<SystemJunkType> systemJunkTypeNamed(std::string_view title) {
    return lookup<SystemJunkType>(kSystemNames, title);
}
std::optional<InternetJunkType> internetJunkTypeNamed(std::string_view title) {
    return lookup<InternetJunkType>(kInternetNames, title);
}
std::optional<XcodeJunkType> xcodeJunkTypeNamed(std::string_view title) {
    return lookup<XcodeJunkType>(kXcodeNames, title);
}

std::string_view rawValue(XcodeJunkType type) { return kXcodeRaw[static_cast<std::size_t>(type)]; }
std::optional<XcodeJunkType> xcodeJunkTypeFromRaw(std::string_view raw) {
    return lookup<XcodeJunkType>(kXcodeRaw, raw);
}

}  // namespace orvane::junk
