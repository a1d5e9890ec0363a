#include "namer/HttpPost.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace orvane::namer {

namespace {

struct Sink {
    std::string body;
    std::size_t max;
    bool tooLarge = false;
};

size_t collect(char* data, size_t size, size_t count, void* context) {
    auto* s = static_cast<Sink*>(context);
    const size_t n = size * count;
    if (s->body.size() + n > s->max) {
        s->tooLarge = true;
        return 0;
    }
    s->body.append(data, n);
    return n;
}

}  // namespace

HttpReply postJSON(const std::string& url, const std::string& body,
                   const std::vector<std::string>& headers, long timeoutSeconds,
                   std::size_t maxBytes) {
    static std::once_flag init;
    std::call_once(init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    HttpReply reply;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) {
        reply.error = "The HTTP client could not be started.";
        return reply;
    }
    curl_slist* list = curl_slist_append(nullptr, "Content-Type: application/json");
    list = curl_slist_append(list, "Accept: application/json");
    list = curl_slist_append(list, "Expect:");
    for (const auto& h : headers) list = curl_slist_append(list, h.c_str());
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> owned(list, &curl_slist_free_all);

    Sink sink{{}, maxBytes};
    char errorText[CURL_ERROR_SIZE] = {0};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, timeoutSeconds);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
    const CURLcode rc = curl_easy_perform(c);
    if (rc != CURLE_OK) {
        reply.error = sink.tooLarge  ? "The answer is too large."
                      : errorText[0] ? std::string(errorText)
                                     : std::string(curl_easy_strerror(rc));
        return reply;
    }
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &reply.status);
    reply.body = std::move(sink.body);
    return reply;
}

}  // namespace orvane::namer
