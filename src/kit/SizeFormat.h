#pragma once

#include <cstdint>
#include <string>

namespace orvane::kit {

// Human-readable sizes in decimal units (1 KB = 1,000 bytes), as file managers on both
// platforms show them: "0 bytes", "1 byte", "999 bytes", "1 KB", "12.3 MB", "4.57 GB".
// Three significant figures at most; whole numbers print without decimals.
std::string transformedFileSize(std::uint64_t size);
// The same with a chosen separator between number and unit, and optionally the unit alone
// (token = false gives the number only), for labels that style the two parts differently.
std::string transformedFileSize(std::uint64_t size, bool spaces, bool token);
// Alias kept for callers that name it by its other use.
inline std::string transformedSizeToString(std::uint64_t size) { return transformedFileSize(size); }

}  // namespace orvane::kit
