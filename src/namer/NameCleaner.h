#pragma once

#include <string>
#include <string_view>

namespace orvane::namer {

// Makes any text a safe file name: no path separators, control characters or characters that
// other systems forbid, no leading dots, white space collapsed, at most `maxCharacters`
// characters cut at a word boundary, then the extension appended.
class NameCleaner {
public:
    static constexpr std::size_t kMaxCharacters = 80;

    static std::string clean(std::string_view text, std::string_view extension,
                             std::size_t maxCharacters = kMaxCharacters);
    // Cleans the base only; empty when nothing usable is left.
    static std::string cleanBase(std::string_view text, std::size_t maxCharacters);
};

}  // namespace orvane::namer
