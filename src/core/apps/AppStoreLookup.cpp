#include "core/apps/AppStoreLookup.h"

#include <curl/curl.h>

#include <cctype>
#include <ctime>
#include <mutex>
#include <nlohmann/json.hpp>

#include "kit/DateFormat.h"
#include "kit/Log.h"

namespace orvane::apps {

namespace {

constexpr std::size_t kMaxBody = 4u << 20;

struct Transfer {
    std::string body;
    bool tooLarge = false;
    const std::atomic<bool>* stop = nullptr;
};

std::size_t onData(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (t->body.size() + n > kMaxBody) {
        t->tooLarge = true;
        return 0;
    }
    t->body.append(data, n);
    return n;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    return t->stop && t->stop->load() ? 1 : 0;
}

NetworkError custom(std::string message) {
    return {NetworkError::Kind::custom, 0, std::move(message)};
}

std::string escape(CURL* c, const std::string& text) {
    char* out = curl_easy_escape(c, text.c_str(), static_cast<int>(text.size()));
    std::string s = out ? out : "";
    curl_free(out);
    return s;
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
    std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) return {};
    return base_ + "/lookup?bundleId=" + escape(curl.get(), bundleId) +
           "&country=" + escape(curl.get(), country) + "&media=software&entity=desktopSoftware";
}

LookupReply AppStoreLookup::getAppUpdateInfo(const std::string& bundleId,
                                             const std::string& country,
                                             const std::atomic<bool>* stop) const {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    LookupReply reply;
    if (!base_.starts_with("http://") && !base_.starts_with("https://")) {
        reply.error = custom("No store lookup address is set.");
        return reply;
    }
    std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) {
        reply.error = NetworkError{};
        return reply;
    }
    const std::string url = lookupURL(bundleId, country);
    Transfer transfer;
    transfer.stop = stop;
    char errorText[CURL_ERROR_SIZE] = {};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 3L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, std::min(timeoutMs_, 10000L));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, timeoutMs_);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &onData);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    const CURLcode code = curl_easy_perform(c);
    if (transfer.tooLarge) {
        reply.error = NetworkError{NetworkError::Kind::decodingError, 0, "the reply is too large"};
        return reply;
    }
    if (code != CURLE_OK) {
        const std::string why = errorText[0] ? errorText : curl_easy_strerror(code);
        ORVANE_LOG("Request failed with error: " + why);
        reply.error = custom(why);
        return reply;
    }
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    return parseReply(status, transfer.body);
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
