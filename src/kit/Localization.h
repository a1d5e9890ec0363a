#pragma once

#include <string>
#include <string_view>

namespace orvane::kit {

// Display text for an English key. Keys that are already plain English come back unchanged;
// keys that are identifiers ("Duplicate_Files") or not English get their English text from the
// catalog. Printf-style "%@" placeholders are kept for the caller to fill (see formatLocalized).
std::string localized(std::string_view key);

// localized(key) with each "%@" replaced by the next argument, in order.
std::string formatLocalized(std::string_view key, std::initializer_list<std::string_view> args);

}  // namespace orvane::kit
