#pragma once

#include <string_view>

namespace orvane::duplicates {

// Ascending path order for the members of a group: by Unicode code point after canonical
// (NFC) normalisation, so a name typed with a combining accent sorts with its precomposed
// twin. Names that are not valid UTF-8 compare by their bytes.
bool pathLess(std::string_view a, std::string_view b);

}  // namespace orvane::duplicates
