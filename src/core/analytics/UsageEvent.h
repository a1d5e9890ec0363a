#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::analytics {

// One recorded event: what a screen handed over, plus when.
struct UsageEvent {
    double time = 0;  // seconds since 1970
    std::string category;
    std::string module;
    std::int64_t count = 1;
    std::string action;
    std::vector<std::string> labels;

    // One JSON object on one line, newline included. Text that is not UTF-8 (a path from a
    // foreign file system) is stored with replacement characters: the history only shows it.
    std::string toJsonLine() const;
    // Nothing for a line that is not such an object (wrong types, missing fields, garbage).
    static std::optional<UsageEvent> fromJsonLine(std::string_view line);
};

}  // namespace orvane::analytics
