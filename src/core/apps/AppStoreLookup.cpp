#include "core/apps/AppStoreLookup.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <nlohmann/json.hpp>

#include "kit/DateFormat.h"
#include "kit/HttpRequest.h"
#include "kit/Log.h"

namespace orvane::apps {

namespace {

constexpr std::size_t kMaxBody = 4u << 20;

NetworkError custom(std::string message) {
    return {NetworkError::Kind::custom, 0, std::move(message)};
}

// "2024-03-05T17:02:11Z" as display text; "" when it does not read as that.
std::string releaseDateText(const std::string& text) {
    std::tm tm{};
    char z = 0;
    if (text.size() != 20 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                    &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &z) != 7 ||
        z != 'Z' || tm.tm_mon < 1 || tm.tm_mon > 12 || tm.tm_mday < 1 || tm.tm_mday > 31 ||
        tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 60)
        return {};
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return kit::dateLocalizedStr(static_cast<double>(::timegm(&tm)));
}

std::string stringField(const nlohmann::json& o, const char* key) {
    auto it = o.find(key);
    return it != o.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

std::string NetworkError::description() const {
    switch (kind) {
        case Kind::serverError:
            return "Server error " + std::to_string(statusCode) + ": " + message;
        case Kind::custom: return message;
        case Kind::unknown: return "Unknown error";
        case Kind::decodingError:
            return "The reply could not be read" +
                   (message.empty() ? std::string() : ": " + message);
    }
    return message;
}

AppStoreLookup::AppStoreLookup(std::string baseAddress, long timeoutMs)
    : base_(std::move(baseAddress)), timeoutMs_(timeoutMs) {
    while (!base_.empty() && base_.back() == '/') base_.pop_back();
}

std::string AppStoreLookup::lookupURL(const std::string& bundleId,
                                      const std::string& country) const {
    return base_ + "/lookup?bundleId=" + kit::urlEscaped(bundleId) +
           "&country=" + kit::urlEscaped(country) + "&media=software&entity=desktopSoftware";
}

LookupReply AppStoreLookup::getAppUpdateInfo(const std::string& bundleId,
                                             const std::string& country,
                                             const std::atomic<bool>* stop) const {
    LookupReply reply;
    if (!base_.starts_with("http://") && !base_.starts_with("https://")) {
        reply.error = custom("No store lookup address is set.");
        return reply;
    }
    kit::HttpRequest request;
    request.url = lookupURL(bundleId, country);
    request.maxRedirects = 3;
    request.connectTimeoutMs = std::min(timeoutMs_, 10000L);
    request.timeoutMs = timeoutMs_;
    request.maxBytes = kMaxBody;
    request.stop = stop;
    const kit::HttpResponse response = request.send();
    if (response.outcome == kit::HttpResponse::Outcome::tooLarge) {
        reply.error = NetworkError{NetworkError::Kind::decodingError, 0, "the reply is too large"};
        return reply;
    }
    if (!response.answered()) {
        ORVANE_LOG("Request failed with error: " + response.error);
        reply.error = custom(response.error);
        return reply;
    }
    return parseReply(response.status, response.body);
}

LookupReply AppStoreLookup::parseReply(long status, std::string_view body) {
    LookupReply reply;
    if (status != 200) {
        ORVANE_LOG("Request failed with status code: " + std::to_string(status));
        reply.error =
            NetworkError{NetworkError::Kind::serverError, static_cast<int>(status), "Server error"};
        return reply;
    }
    nlohmann::json doc = nlohmann::json::parse(body, nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) {
        ORVANE_LOG("Failed to parse JSON: not a JSON object");
        reply.error = NetworkError{NetworkError::Kind::decodingError, 0, "not a JSON object"};
        return reply;
    }
    const auto count = doc.find("resultCount");
    const auto results = doc.find("results");
    const bool none = (count != doc.end() && count->is_number() && count->get<double>() == 0) ||
                      results == doc.end() || !results->is_array() || results->empty();
    if (none) {
        reply.error = custom("No update info found");
        return reply;
    }
    if (!results->front().is_object()) {
        reply.error =
            NetworkError{NetworkError::Kind::decodingError, 0, "a result is not an object"};
        return reply;
    }
    reply.result = std::make_shared<const nlohmann::json>(results->front());
    return reply;
}

std::optional<AppUpdateInfo> AppStoreLookup::updateInfoFrom(const nlohmann::json& result,
                                                            const std::string& installedVersion) {
    if (!result.is_object()) return std::nullopt;
    const std::string storeVersion = stringField(result, "version");
    if (compareVersions(storeVersion, installedVersion) <= 0) return std::nullopt;
    AppUpdateInfo info;
    info.currentVersion = installedVersion;
    info.latestVersion = storeVersion;
    info.releaseDate = releaseDateText(stringField(result, "currentVersionReleaseDate"));
    // The store writes the size as a decimal string; a number is taken too.
    if (auto it = result.find("fileSizeBytes"); it != result.end()) {
        if (it->is_number_unsigned()) {
            info.updateSize = it->get<std::uint64_t>();
        } else if (it->is_string()) {
            const std::string s = it->get<std::string>();
            if (!s.empty() && s.size() <= 19 &&
                s.find_first_not_of("0123456789") == std::string::npos)
                info.updateSize = std::stoull(s);
        }
    }
    info.releaseNotes = stringField(result, "releaseNotes");
    if (auto it = result.find("trackId"); it != result.end() && it->is_number_unsigned())
        info.adamid = it->get<std::uint64_t>();
    if (auto it = result.find("screenshotUrls"); it != result.end() && it->is_array())
        for (const auto& u : *it)
            if (u.is_string()) {
                const std::string url = u.get<std::string>();
                if (url.starts_with("https://") || url.starts_with("http://"))
                    info.appStoreImageURLs.push_back(url);
            }
    return info;
}

int AppStoreLookup::compareVersions(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && digit(a[ei])) ++ei;
            while (ej < b.size() && digit(b[ej])) ++ej;
            // Leading zeros do not count; then the longer run is the larger number.
            std::size_t si = i, sj = j;
            while (si + 1 < ei && a[si] == '0') ++si;
            while (sj + 1 < ej && b[sj] == '0') ++sj;
            if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
            const int c = a.substr(si, ei - si).compare(b.substr(sj, ej - sj));
            if (c != 0) return c < 0 ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace orvane::apps
