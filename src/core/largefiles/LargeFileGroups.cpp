#include "core/largefiles/LargeFileGroups.h"

#include <cmath>

namespace orvane::largefiles {

LargeFileGroup sizeGroupIndex(std::uint64_t size) {
    if (size >= kFiveGB) return above5G;
    if (size >= kOneGB) return oneGBToFiveGB;
    if (size >= kFiveHundredMB) return fiveHundredMBToOneGB;
    return tenMBToFiveHundredMB;
}

std::int64_t secondsSinceMidnightUTC(double now) {
    const auto whole = static_cast<std::int64_t>(std::floor(now));
    const auto day = static_cast<std::int64_t>(kSecondsPerDay);
    // Times before 1970 still land inside the day they belong to.
    return ((whole % day) + day) % day;
}

LargeFileGroup ageGroupIndex(double now, std::int64_t mtime) {
    const double age = now - static_cast<double>(mtime);
    if (age < static_cast<double>(secondsSinceMidnightUTC(now))) return largeFilesTypeToday;
    if (age < kWeekSeconds) return largeFilesTypeDay;
    if (age < kMonthSeconds) return largeFilesTypeWeek;
    if (age < kYearSeconds) return largeFilesTypeMonth;
    return largeFilesTypeYear;
}

const char* groupName(std::size_t index) {
    static const char* const names[kLargeFileGroupCount] = {
        "all",
        "above5G",
        "oneGBToFiveGB",
        "fiveHundredMBToOneGB",
        "tenMBToFiveHundredMB",
        "year",
        "month",
        "week",
        "day",
        "today",
        "documents",
        "pictures",
        "audio",
        "video",
        "other",
        "reserved",
    };
    return index < kLargeFileGroupCount ? names[index] : "";
}

const char* groupTitle(std::size_t index) {
    static const char* const titles[kLargeFileGroupCount] = {
        "All files",       "Over 5GB",   "1 GB to 5GB", "500 MB  to 1 GB",
        "10 MB to 500 MB", "1 Year Ago", "1 Month Ago", "1 Week Ago",
        "Last Week",       "Today",      "Documents",   "Pictures",
        "Audio",           "Video",      "Other",       "",
    };
    return index < kLargeFileGroupCount ? titles[index] : "";
}

}  // namespace orvane::largefiles
