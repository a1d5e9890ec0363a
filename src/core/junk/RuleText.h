#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::junk {

// A decimal integer with an optional leading "+" or "-" and nothing else; nothing otherwise.
std::optional<std::int64_t> parseInteger(std::string_view text);
// Without leading and trailing white space and line breaks.
std::string_view trimmed(std::string_view text);
std::string lowercased(std::string_view text);

}  // namespace orvane::junk
