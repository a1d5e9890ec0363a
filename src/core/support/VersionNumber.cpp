#include "core/support/VersionNumber.h"

#include <algorithm>

namespace orvane::support {

std::optional<VersionNumber> VersionNumber::parse(std::string_view text) {
    if (text.size() > 64) return std::nullopt;
    if (!text.empty() && (text.front() == 'v' || text.front() == 'V')) text.remove_prefix(1);
    VersionNumber version;
    const std::size_t dash = text.find('-');
    if (dash != std::string_view::npos) {
        version.tag_ = std::string(text.substr(dash + 1));
        text = text.substr(0, dash);
        if (version.tag_.empty()) return std::nullopt;
        for (char c : version.tag_)
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                  c == '.'))
                return std::nullopt;
    }
    if (text.empty()) return std::nullopt;
    unsigned part = 0;
    std::size_t digits = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '.') {
            if (digits == 0) return std::nullopt;
            version.parts_.push_back(part);
            part = 0;
            digits = 0;
            continue;
        }
        const char c = text[i];
        if (c < '0' || c > '9' || digits >= 9) return std::nullopt;
        part = part * 10 + static_cast<unsigned>(c - '0');
        ++digits;
    }
    if (version.parts_.size() > 6) return std::nullopt;
    return version;
}

std::strong_ordering VersionNumber::operator<=>(const VersionNumber& other) const {
    const std::size_t n = std::max(parts_.size(), other.parts_.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned a = i < parts_.size() ? parts_[i] : 0;
        const unsigned b = i < other.parts_.size() ? other.parts_[i] : 0;
        if (a != b) return a <=> b;
    }
    if (tag_.empty() != other.tag_.empty())
        return tag_.empty() ? std::strong_ordering::greater : std::strong_ordering::less;
    return tag_ <=> other.tag_;
}

std::string VersionNumber::text() const {
    std::string out;
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        if (i) out += '.';
        out += std::to_string(parts_[i]);
    }
    if (!tag_.empty()) out += "-" + tag_;
    return out;
}

}  // namespace orvane::support
