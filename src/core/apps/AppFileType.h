#pragma once

#include <string_view>

namespace orvane::apps {

// What one of an application's files is to it; the raw values are stable.
enum class AppFileType {
    appFile = 0,
    preferenceFile = 1,
    appSupportFile = 2,
    logFile = 3,
    otherFile = 4
};

// "app", "preference", "support", "log", "other": the words the command line prints.
constexpr std::string_view appFileTypeName(AppFileType type) {
    switch (type) {
        case AppFileType::appFile: return "app";
        case AppFileType::preferenceFile: return "preference";
        case AppFileType::appSupportFile: return "support";
        case AppFileType::logFile: return "log";
        case AppFileType::otherFile: return "other";
    }
    return "other";
}

}  // namespace orvane::apps
