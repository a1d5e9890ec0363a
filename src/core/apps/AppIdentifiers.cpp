#include "core/apps/AppIdentifiers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <vector>

#include "kit/Paths.h"

namespace orvane::apps {

namespace {

std::vector<std::string_view> splitDots(std::string_view name) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        auto dot = name.find('.', start);
        parts.push_back(name.substr(start, dot == std::string_view::npos ? dot : dot - start));
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return parts;
}

std::string lowercase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// D-Bus name element: [A-Za-z_-][A-Za-z0-9_-]*.
bool isNameElement(std::string_view part) {
    if (part.empty()) return false;
    if (std::isdigit(static_cast<unsigned char>(part.front()))) return false;
    return std::all_of(part.begin(), part.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
    });
}

// The domains application identifiers are seen under in practice. A name that starts with
// anything else is a file that happens to hold dots, and guessing wrong here would offer a
// desktop's own state for removal.
constexpr std::array<std::string_view, 48> kTopLevelDomains = {
    "ai",   "app", "at",  "au", "be", "br", "ca", "cc",  "ch",   "cn", "co", "com",
    "cz",   "de",  "dev", "dk", "es", "eu", "fi", "fr",  "gg",   "hu", "ie", "in",
    "info", "io",  "is",  "it", "jp", "kr", "me", "net", "nl",   "no", "nz", "org",
    "page", "pl",  "pt",  "re", "ru", "se", "sh", "so",  "tech", "tv", "uk", "us"};

}  // namespace

bool isValidBundleID(std::string_view name) {
    if (name.find('.') == std::string_view::npos) return false;
    auto parts = splitDots(name);
    if (parts.size() < 3) return false;
    if (std::any_of(parts.begin(), parts.end(), [](std::string_view p) { return p.empty(); }))
        return false;
    static constexpr std::string_view kExcluded[] = {
        "com.apple.", "apple.",         ".apple.",      "com.mac.",      "system.",
        ".ds_store",  "com.microsoft.", "org.mozilla.", "org.chromium.", "org.swift.swiftpm"};
    const std::string lower = lowercase(name);
    return std::none_of(std::begin(kExcluded), std::end(kExcluded), [&](std::string_view fragment) {
        return lower.find(fragment) != std::string::npos;
    });
}

bool isReverseDnsName(std::string_view name) {
    if (!isValidBundleID(name) || name.size() > 255) return false;
    auto parts = splitDots(name);
    if (!std::all_of(parts.begin(), parts.end(), isNameElement)) return false;
    return std::find(kTopLevelDomains.begin(), kTopLevelDomains.end(), lowercase(parts.front())) !=
           kTopLevelDomains.end();
}

bool isFlatpakAppId(std::string_view name) {
    if (name.empty() || name.size() > 255) return false;
    auto parts = splitDots(name);
    return parts.size() >= 3 && std::all_of(parts.begin(), parts.end(), isNameElement);
}

bool isSnapInstanceName(std::string_view name) {
    auto underscore = name.find('_');
    std::string_view snap = name.substr(0, underscore);
    if (snap.empty() || snap.size() > 40 || snap.front() == '-' || snap.back() == '-') return false;
    auto snapChar = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
    };
    if (!std::all_of(snap.begin(), snap.end(), snapChar)) return false;
    if (!std::any_of(snap.begin(), snap.end(), [](char c) { return c >= 'a' && c <= 'z'; }))
        return false;
    if (underscore == std::string_view::npos) return true;
    std::string_view key = name.substr(underscore + 1);
    return !key.empty() && key.size() <= 10 && std::all_of(key.begin(), key.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    });
}

bool isPrintableName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || !kit::isValidUtf8(name)) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return c == '/' || u < 0x20 || u == 0x7f;
    });
}

}  // namespace orvane::apps
