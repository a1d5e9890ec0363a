#pragma once

#include <string>
#include <vector>

namespace orvane::namer {

struct HttpReply {
    long status = 0;
    std::string body;
    std::string error;  // transport failure; empty when an answer came
};

// One JSON POST through libcurl, answers capped at `maxBytes`.
HttpReply postJSON(const std::string& url, const std::string& body,
                   const std::vector<std::string>& headers, long timeoutSeconds,
                   std::size_t maxBytes = 4 * 1024 * 1024);

}  // namespace orvane::namer
