#include "core/files/IgnoresPathExtention.h"

#include <algorithm>

#include "core/files/FileType.h"

namespace orvane::files {

bool IgnoresPathExtention::contains(std::string_view extension) {
    std::array<char, 16> lower{};
    std::size_t length = 0;
    if (extension.empty() || !lowercaseExtension(extension, lower, length)) return false;
    const std::string_view key(lower.data(), length);
    return std::find(allCases.begin(), allCases.end(), key) != allCases.end();
}

}  // namespace orvane::files
