#pragma once

#include <string>

namespace orvane::kit {

// Display texts of a time given as seconds since 1970, in the local time zone.
std::string dateStr(double seconds);           // "2026-12-06 14:03"
std::string dateStr1(double seconds);          // "2026-12-06"
std::string dateStr2(double seconds);          // "14:03:27"
std::string dateLocalizedStr(double seconds);  // "Dec 6, 2026"
// "mm:ss" for elapsed times (hours fold into minutes: 75:03).
std::string elapsedStr(double seconds);

}  // namespace orvane::kit
