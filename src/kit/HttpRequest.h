#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::kit {

// What came of one request. Every outcome but `answered` carries the reason in `error`.
struct HttpResponse {
    enum class Outcome {
        answered,     // the server replied (any status)
        unavailable,  // libcurl could not be loaded; `error` tells the user what to install
        failed,       // no reply: refused, timed out, bad address, ...
        tooLarge,     // the reply passed the request's maxBytes and was cut off
        stopped,      // the caller's stop flag ended the transfer
    };
    Outcome outcome = Outcome::failed;
    long status = 0;
    std::string body;
    std::string error;

    bool answered() const { return outcome == Outcome::answered; }
};

// One HTTP exchange through the shared libcurl, with what every network feature wants alike:
// http and https only, no signals (transfers run on worker threads), the reply held in memory
// up to a cap, and an optional flag that stops the transfer.
struct HttpRequest {
    std::string url;
    std::optional<std::string> postBody;  // sent as a POST when set; a GET otherwise
    std::vector<std::string> headers;     // "Name: value" lines; "Name:" removes a default one
    long connectTimeoutMs = 0;            // 0: libcurl's own
    long timeoutMs = 0;                   // the whole transfer; 0: no limit
    long maxRedirects = 0;                // redirects are followed only when this is above 0
    std::string userAgent;
    std::size_t maxBytes = std::size_t(4) << 20;
    const std::atomic<bool>* stop = nullptr;

    // A JSON POST: the body goes as it is, and no "Expect: 100-continue" round trip is waited
    // for, since large bodies would otherwise stall on servers that never send one.
    static HttpRequest postJSON(std::string url, std::string body);

    // Blocks the calling thread until the reply, the time limit or the stop flag.
    HttpResponse send() const;
};

// `text` percent-encoded for a query value (everything but letters, digits and "-._~").
std::string urlEscaped(std::string_view text);

}  // namespace orvane::kit
