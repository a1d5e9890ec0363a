#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane::largefiles {

// The sixteen ready-made groups of a large-file scan. The index is the meaning: screens and the
// command line address a group by it.
enum LargeFileGroup : std::size_t {
    allLargeFiles = 0,
    above5G = 1,
    oneGBToFiveGB = 2,
    fiveHundredMBToOneGB = 3,
    tenMBToFiveHundredMB = 4,
    largeFilesTypeYear = 5,
    largeFilesTypeMonth = 6,
    largeFilesTypeWeek = 7,
    largeFilesTypeDay = 8,
    largeFilesTypeToday = 9,
    documentGroup = 10,
    pictureGroup = 11,
    audioGroup = 12,
    videoGroup = 13,
    otherGroup = 14,
    reservedGroup = 15,  // made with the others, never filled
};
inline constexpr std::size_t kLargeFileGroupCount = 16;

// Decimal units throughout, as people read sizes on a label.
inline constexpr std::uint64_t kLargeFileThreshold = 10'000'000;
inline constexpr std::uint64_t kFiveGB = 5'000'000'000;
inline constexpr std::uint64_t kOneGB = 1'000'000'000;
inline constexpr std::uint64_t kFiveHundredMB = 500'000'000;

inline constexpr double kSecondsPerDay = 86'400;
inline constexpr double kWeekSeconds = 604'800;
inline constexpr double kMonthSeconds = 2'592'000;
inline constexpr double kYearSeconds = 31'536'000;

// Group 1..4 for a size of at least the threshold.
LargeFileGroup sizeGroupIndex(std::uint64_t size);
// Seconds since the last midnight UTC, from the whole seconds of `now`.
std::int64_t secondsSinceMidnightUTC(double now);
// Group 5..9 for a file last modified at `mtime` (whole seconds), seen at `now`.
LargeFileGroup ageGroupIndex(double now, std::int64_t mtime);
// Stable identifier of a group ("above5G"), for scripts reading the command line's JSON.
const char* groupName(std::size_t index);
// The group's title as the screens and the command line show it ("Over 5GB"): a localisation
// key, so it reads as the catalog words it.
const char* groupTitle(std::size_t index);

}  // namespace orvane::largefiles
