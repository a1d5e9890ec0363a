#include "kit/Plural.h"

#include "kit/Localization.h"

namespace orvane::kit {

std::string groupedDigits(std::uint64_t count) {
    const std::string digits = std::to_string(count);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

std::string countOf(std::uint64_t count, std::string_view one, std::string_view other) {
    return groupedDigits(count) + ' ' + localized(plural(count, one, other));
}

}  // namespace orvane::kit
