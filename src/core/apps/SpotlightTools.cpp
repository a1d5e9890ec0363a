#include "core/apps/SpotlightTools.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <regex>

#include "kit/Log.h"
#include "kit/RunProcess.h"

namespace orvane::apps {

namespace {

void removeAll(std::string& text, std::string_view what) {
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at))
        text.erase(at, what.size());
}

std::string trim(std::string text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::vector<std::string> SpotlightTools::allAppPathsByMDFind(const std::string& bundleID) const {
    if (bundleID.empty() || finder_.empty()) return {};
    const std::string query = "kMDItemCFBundleIdentifier == \"" + bundleID +
                              "\" && kMDItemContentType == \"com.apple.application-bundle\"";
    const kit::ProcessResult result = kit::runProcess(finder_, {query});
    if (!result.started) {
        ORVANE_LOG("Failed to run mdfind: " + result.error);
        return {};
    }
    std::vector<std::string> paths;
    std::string_view rest = result.output;
    while (!rest.empty()) {
        const auto newline = rest.find('\n');
        if (newline != 0) paths.emplace_back(rest.substr(0, newline));
        if (newline == std::string_view::npos) break;
        rest.remove_prefix(newline + 1);
    }
    return paths;
}

std::uint64_t SpotlightTools::mdlsFileSize(const std::string& path) const {
    if (lister_.empty()) return 0;
    const kit::ProcessResult result = kit::runProcess(lister_, {"-name", "kMDItemFSSize", path});
    if (!result.started) return 0;
    static const std::regex kNumber(R"(=\s*(\d+))");
    std::smatch match;
    if (!std::regex_search(result.output, match, kNumber)) return 0;
    std::string digits = match.str(0);
    removeAll(digits, "=");
    digits = trim(digits);
    if (digits.empty() || digits.size() > 19) return 0;
    try {
        return std::stoull(digits);
    } catch (...) {
        return 0;
    }
}

std::optional<std::string> SpotlightTools::mdlsLastUsed(const std::string& path) const {
    if (lister_.empty()) return std::nullopt;
    const kit::ProcessResult result =
        kit::runProcess(lister_, {"-name", "kMDItemLastUsedDate", path});
    if (!result.started) return std::nullopt;
    return result.output;
}

std::optional<double> SpotlightTools::parseLastUsed(std::string text) {
    removeAll(text, "kMDItemLastUsedDate = ");
    removeAll(text, "\n");
    // yyyy-MM-dd HH:mm:ss Z, the zone as +hhmm.
    int year, month, day, hour, minute, second;
    char sign;
    int zone;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d %c%4d%n", &year, &month, &day, &hour,
                    &minute, &second, &sign, &zone, &consumed) != 8 ||
        static_cast<std::size_t>(consumed) != text.size() || (sign != '+' && sign != '-') ||
        zone < 0 || zone > 1400)
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    const std::time_t utc = ::timegm(&tm);
    const int offset = (zone / 100) * 3600 + (zone % 100) * 60;
    return static_cast<double>(utc) - (sign == '+' ? offset : -offset);
}

}  // namespace orvane::apps
