#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::kit {

// English nouns agree with their count: one for exactly 1, the other for 0 and for more.
constexpr std::string_view plural(std::uint64_t count, std::string_view one,
                                  std::string_view other) {
    return count == 1 ? one : other;
}

// "1 file", "0 files", "1,250 files": the count with its digits grouped by thousands, a space
// and the noun that agrees with it, through the localisation table.
std::string countOf(std::uint64_t count, std::string_view one, std::string_view other);

// "1250000" → "1,250,000".
std::string groupedDigits(std::uint64_t count);

}  // namespace orvane::kit
