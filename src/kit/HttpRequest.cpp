#include "kit/HttpRequest.h"

#include <memory>

#include "kit/CurlLibrary.h"

namespace orvane::kit {

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
        return 0;  // libcurl ends the transfer with a write error
    }
    transfer->body.append(data, n);
    return n;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* transfer = static_cast<Transfer*>(user);
    return transfer->stop->load() ? 1 : 0;
}

HttpResponse without(HttpResponse::Outcome outcome, std::string error) {
    HttpResponse response;
    response.outcome = outcome;
    response.error = std::move(error);
    return response;
}

}  // namespace

HttpRequest HttpRequest::postJSON(std::string url, std::string body) {
    HttpRequest request;
    request.url = std::move(url);
    request.postBody = std::move(body);
    request.headers = {"Content-Type: application/json", "Accept: application/json", "Expect:"};
    return request;
}

HttpResponse HttpRequest::send() const {
    using Outcome = HttpResponse::Outcome;
    const CurlLibrary& curl = CurlLibrary::shared();
    if (!curl.loaded()) return without(Outcome::unavailable, curl.error());
    std::unique_ptr<CURL, void (*)(CURL*)> handle(curl.easyInit(), curl.easyCleanup);
    if (!handle) return without(Outcome::failed, "the network library could not start a transfer");
    curl_slist* list = nullptr;
    for (const std::string& header : headers) list = curl.slistAppend(list, header.c_str());
    std::unique_ptr<curl_slist, void (*)(curl_slist*)> ownedList(list, curl.slistFreeAll);

    Transfer transfer;
    transfer.maxBytes = maxBytes;
    transfer.stop = stop;
    char errorText[CURL_ERROR_SIZE] = {};
    // Through a variadic pointer nothing checks the argument types: longs stay long, sizes
    // curl_off_t and callbacks libcurl's own types.
    CURL* c = handle.get();
    curl.easySetopt(c, CURLOPT_URL, url.c_str());
    curl.easySetopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl.easySetopt(c, CURLOPT_NOSIGNAL, 1L);
    curl.easySetopt(c, CURLOPT_ERRORBUFFER, errorText);
    curl.easySetopt(c, CURLOPT_WRITEFUNCTION, static_cast<curl_write_callback>(&onData));
    curl.easySetopt(c, CURLOPT_WRITEDATA, &transfer);
    if (postBody) {
        curl.easySetopt(c, CURLOPT_POST, 1L);
        curl.easySetopt(c, CURLOPT_POSTFIELDS, postBody->data());
        curl.easySetopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(postBody->size()));
    }
    if (list) curl.easySetopt(c, CURLOPT_HTTPHEADER, list);
    if (maxRedirects > 0) {
        curl.easySetopt(c, CURLOPT_FOLLOWLOCATION, 1L);
        curl.easySetopt(c, CURLOPT_MAXREDIRS, maxRedirects);
        curl.easySetopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    }
    if (connectTimeoutMs > 0) curl.easySetopt(c, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs);
    if (timeoutMs > 0) curl.easySetopt(c, CURLOPT_TIMEOUT_MS, timeoutMs);
    if (!userAgent.empty()) curl.easySetopt(c, CURLOPT_USERAGENT, userAgent.c_str());
    if (stop) {
        curl.easySetopt(c, CURLOPT_XFERINFOFUNCTION,
                        static_cast<curl_xferinfo_callback>(&onProgress));
        curl.easySetopt(c, CURLOPT_XFERINFODATA, &transfer);
        curl.easySetopt(c, CURLOPT_NOPROGRESS, 0L);
    }

    const CURLcode code = curl.easyPerform(c);
    const std::string why = errorText[0] ? errorText : curl.easyStrerror(code);
    if (transfer.tooLarge)
        return without(Outcome::tooLarge,
                       "the reply is larger than " + std::to_string(maxBytes) + " bytes");
    if (code == CURLE_ABORTED_BY_CALLBACK) return without(Outcome::stopped, why);
    if (code != CURLE_OK) return without(Outcome::failed, why);
    HttpResponse response;
    response.outcome = Outcome::answered;
    curl.easyGetinfo(c, CURLINFO_RESPONSE_CODE, &response.status);
    response.body = std::move(transfer.body);
    return response;
}

std::string urlEscaped(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                           byte == '_' || byte == '~';
        if (plain) {
            out += ch;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}

}  // namespace orvane::kit
