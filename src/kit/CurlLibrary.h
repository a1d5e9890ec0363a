#pragma once

// Types and constants only: every function is reached through the pointers below.
#include <curl/curl.h>

#include <string>

namespace orvane::kit {

// The system's libcurl, opened when a network feature first needs it rather than by the dynamic
// loader at start-up: it and the thirty libraries it pulls in would cost every run of the
// command line, and most runs never talk to the network.
class CurlLibrary {
public:
    static constexpr const char* kDefaultName = "libcurl.so.4";

    // Opens `name`, resolves the functions below and runs curl_global_init. When any of that
    // fails every pointer stays null and error() says why, in words for the user.
    explicit CurlLibrary(const std::string& name);
    CurlLibrary(const CurlLibrary&) = delete;
    CurlLibrary& operator=(const CurlLibrary&) = delete;

    // The program's one copy, opened on the first call from whichever thread makes it. It is
    // never closed: transfers may still run on worker threads while the program exits.
    static const CurlLibrary& shared();

    bool loaded() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    CURL* (*easyInit)() = nullptr;
    CURLcode (*easySetopt)(CURL*, CURLoption, ...) = nullptr;
    CURLcode (*easyPerform)(CURL*) = nullptr;
    CURLcode (*easyGetinfo)(CURL*, CURLINFO, ...) = nullptr;
    void (*easyCleanup)(CURL*) = nullptr;
    const char* (*easyStrerror)(CURLcode) = nullptr;
    curl_slist* (*slistAppend)(curl_slist*, const char*) = nullptr;
    void (*slistFreeAll)(curl_slist*) = nullptr;

private:
    void fail(const std::string& name, const std::string& why);

    std::string error_;
};

}  // namespace orvane::kit
