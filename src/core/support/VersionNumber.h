#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::support {

// A release number such as "1.4.10" or "v2.0-beta3": dot-separated numbers compared one by one
// (1.10 is newer than 1.9, 1.2 equals 1.2.0), and an optional "-tag" that makes a pre-release,
// older than the same numbers without it.
class VersionNumber {
public:
    static std::optional<VersionNumber> parse(std::string_view text);

    std::strong_ordering operator<=>(const VersionNumber& other) const;
    bool operator==(const VersionNumber& other) const { return (*this <=> other) == 0; }

    std::string text() const;

private:
    std::vector<unsigned> parts_;
    std::string tag_;
};

}  // namespace orvane::support
