#pragma once

#include <string>
#include <string_view>

namespace orvane::kit {

// JSON string literal (quotes included) for text of arbitrary bytes, such as a path: valid
// UTF-8 passes, each byte that is not becomes a lone surrogate \udcXX — the convention Python's
// surrogateescape reads back to the exact bytes, where a replacement character would lose them.
void appendJsonString(std::string& out, std::string_view text);
std::string jsonString(std::string_view text);

}  // namespace orvane::kit
