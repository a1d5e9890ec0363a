#include "core/support/UpdateChecker.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "core/support/CBSUtilitie.h"

namespace orvane::support {

namespace {

struct Transfer {
    std::string body;
    std::size_t maxBytes = 0;
    bool tooLarge = false;
    const std::atomic<bool>* stop = nullptr;
};

std::size_t onData(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (transfer->body.size() + n > transfer->maxBytes) {
        transfer->tooLarge = true;
        return 0;  // curl ends the transfer with a write error
    }
    transfer->body.append(data, n);
    return n;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* transfer = static_cast<Transfer*>(user);
    return transfer->stop && transfer->stop->load() ? 1 : 0;
}

UpdateCheckResult failure(std::string error) {
    UpdateCheckResult result;
    result.error = std::move(error);
    return result;
}

}  // namespace

UpdateCheckResult UpdateChecker::check(const Options& options) {
    const auto current = VersionNumber::parse(options.currentVersion);
    if (!current) return failure("this copy of Orvane has no valid version number");
    if (!CBSUtilitie::isWebAddress(options.feedURL))
        return failure("no update address is set for this copy of Orvane");

    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) return failure("the network library could not start");

    Transfer transfer;
    transfer.maxBytes = options.maxBytes;
    transfer.stop = options.stop;
    char errorText[CURL_ERROR_SIZE] = {};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, options.feedURL.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 3L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, options.timeoutMs);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);  // worker threads must not get SIGALRM
    curl_easy_setopt(c, CURLOPT_USERAGENT, ("Orvane/" + options.currentVersion).c_str());
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &onData);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);

    const CURLcode code = curl_easy_perform(c);
    if (transfer.tooLarge) return failure("the update information is too large");
    if (code == CURLE_ABORTED_BY_CALLBACK) return failure("the update check was stopped");
    if (code != CURLE_OK) {
        const std::string why = errorText[0] ? errorText : curl_easy_strerror(code);
        return failure("the update server could not be reached (" + why + ")");
    }
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200)
        return failure("the update server answered with status " + std::to_string(status));

    std::string error;
    auto release = ReleaseFeed::parse(transfer.body, error);
    if (!release) return failure(error);
    UpdateCheckResult result;
    result.status = release->version > *current ? UpdateCheckResult::Status::updateAvailable
                                                : UpdateCheckResult::Status::upToDate;
    result.release = std::move(release);
    return result;
}

}  // namespace orvane::support
