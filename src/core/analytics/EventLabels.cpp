#include "core/analytics/EventLabels.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>

#include "core/analytics/EventNames.h"
#include "kit/SizeFormat.h"

namespace orvane::analytics::labels {

namespace {
constexpr std::string_view kSecondsMark = "秒";

// Digits with at most one decimal point; from_chars for doubles is locale-free, unlike strtod.
bool parseDecimal(std::string_view text, double& value) {
    if (text.empty() || text.size() > 32) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '.')) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}
}  // namespace

std::string elapsedTime(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    return fmt::format("{:.2f}{}", seconds, kSecondsMark);
}

std::string megabytes(std::uint64_t bytes) {
    return fmt::format("{:.2f}MB", static_cast<double>(bytes) / 1'000'000.0);
}

std::string confirmation(bool confirmed) {
    return std::string(confirmed ? label::confirm : label::cancel);
}

std::string outcome(bool cancelled) {
    return std::string(cancelled ? label::cancel : label::finish);
}

std::string scannedSize(std::uint64_t bytes) {
    return bytes == 0 ? std::string(label::zeroKB) : kit::transformedFileSize(bytes);
}

Labels removeStart(std::size_t selectedCount, std::uint64_t selectedBytes) {
    return {std::to_string(selectedCount), megabytes(selectedBytes)};
}

Labels removeEnd(std::size_t removedCount, std::size_t failedCount, std::uint64_t removedBytes,
                 double seconds) {
    return {std::to_string(removedCount), std::to_string(failedCount), megabytes(removedBytes),
            elapsedTime(seconds)};
}

Labels scanEnd(double seconds, std::uint64_t bytes, bool cancelled) {
    return {elapsedTime(seconds), megabytes(bytes), outcome(cancelled)};
}

Labels startScanTiles(const std::vector<std::string>& tilePaths) {
    std::string joined;
    std::size_t filled = 0;
    for (const std::string& path : tilePaths) {
        if (&path != &tilePaths.front()) joined += ',';
        joined += path;
        if (!path.empty()) ++filled;
    }
    return {joined, std::to_string(filled)};
}

bool parseMegabytes(std::string_view label, std::uint64_t& bytes) {
    if (!label.ends_with("MB")) return false;
    double mb = 0;
    if (!parseDecimal(label.substr(0, label.size() - 2), mb)) return false;
    // Far beyond any disk; a lie in the file must not overflow the totals.
    if (mb > 1e12) return false;
    bytes = static_cast<std::uint64_t>(std::llround(mb * 1'000'000.0));
    return true;
}

bool parseCount(std::string_view label, std::uint64_t& count) {
    if (label.empty() || label.size() > 18) return false;
    const auto [end, ec] = std::from_chars(label.data(), label.data() + label.size(), count);
    return ec == std::errc() && end == label.data() + label.size();
}

bool parseElapsedTime(std::string_view label, double& seconds) {
    if (!label.ends_with(kSecondsMark)) return false;
    return parseDecimal(label.substr(0, label.size() - kSecondsMark.size()), seconds);
}

}  // namespace orvane::analytics::labels
