#include "kit/SizeFormat.h"

#include <cmath>
#include <cstdio>

namespace orvane::kit {

std::string transformedFileSize(std::uint64_t size, bool spaces, bool token) {
    const char* sep = spaces ? " " : "";
    if (size < 1000) {
        std::string n = std::to_string(size);
        if (!token) return n;
        return n + sep + (size == 1 ? "byte" : "bytes");
    }
    static const char* units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(size) / 1000.0;
    int unit = 0;
    // Round first, so 999,999 bytes reads "1 MB" and not "1000 KB".
    auto rounded = [](double v) {
        double digits = v < 10 ? 100 : v < 100 ? 10 : 1;
        return std::round(v * digits) / digits;
    };
    while (rounded(value) >= 1000 && unit < 5) {
        value /= 1000.0;
        ++unit;
    }
    value = rounded(value);
    char buf[32];
    if (value == std::floor(value)) {
        std::snprintf(buf, sizeof buf, "%.0f", value);
    } else if (value < 10) {
        std::snprintf(buf, sizeof buf, "%.2f", value);
        // Trim a trailing zero: "1.50" → "1.5".
        std::string s = buf;
        if (s.back() == '0') s.pop_back();
        if (!token) return s;
        return s + sep + units[unit];
    } else {
        std::snprintf(buf, sizeof buf, "%.1f", value);
    }
    if (!token) return buf;
    return std::string(buf) + sep + units[unit];
}

std::string transformedFileSize(std::uint64_t size) {
    return transformedFileSize(size, true, true);
}

}  // namespace orvane::kit
