#include "kit/DateFormat.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace orvane::kit {

namespace {
std::string format(double seconds, const char* pattern) {
    std::time_t t = static_cast<std::time_t>(std::floor(seconds));
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    std::size_t n = std::strftime(buf, sizeof buf, pattern, &tm);
    return std::string(buf, n);
}
}  // namespace

std::string dateStr(double s) { return format(s, "%Y-%m-%d %H:%M"); }
std::string dateStr1(double s) { return format(s, "%Y-%m-%d"); }
std::string dateStr2(double s) { return format(s, "%H:%M:%S"); }
std::string dateLocalizedStr(double s) {
    std::string text = format(s, "%b %e, %Y");
    // %e pads single days with a space: "Dec  6" → "Dec 6".
    if (auto pos = text.find("  "); pos != std::string::npos) text.erase(pos, 1);
    return text;
}

std::string elapsedStr(double seconds) {
    if (!(seconds > 0)) seconds = 0;
    long total = static_cast<long>(seconds);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02ld:%02ld", total / 60, total % 60);
    return buf;
}

}  // namespace orvane::kit
