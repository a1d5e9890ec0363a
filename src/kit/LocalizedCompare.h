#pragma once

#include <string>
#include <string_view>

namespace orvane::kit {

// File-browser ordering of names: case-insensitive, accents apart, runs of digits by their
// value ("Item 2" before "Item 10"), in the user's language. A sort key compares with plain
// byte order; names need not be UTF-8 (foreign bytes count as U+FFFD for ordering only).
std::string localizedStandardSortKey(std::string_view name);
bool localizedStandardLess(std::string_view a, std::string_view b);

}  // namespace orvane::kit
