#include "core/renamer/RenameRequest.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>

#include "core/renamer/ParserSupport.h"
#include "kit/Log.h"

namespace orvane::renamer {

namespace {

using nlohmann::json;

std::string dumpSafe(const json& j) {
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

struct Download {
    std::string body;
    bool tooLarge = false;
};

size_t collect(char* data, size_t size, size_t count, void* context) {
    auto* d = static_cast<Download*>(context);
    const size_t n = size * count;
    if (d->body.size() + n > RenameRequest::kMaxResponseBytes) {
        d->tooLarge = true;
        return 0;  // makes libcurl stop with a write error
    }
    d->body.append(data, n);
    return n;
}

}  // namespace

std::string RenameRequest::body(const AIRenameFileModel& file) {
    const std::string name = fileNameOf(file.filePath);
    const auto dot = name.rfind('.');
    const std::string extension =
        (dot == std::string::npos || dot == 0) ? std::string() : name.substr(dot + 1);
    json j = json::object();
    j["content"] = file.extractedData.value_or("");
    j["original_filename"] = toValidUtf8(name);
    j["file_extension"] = toValidUtf8(extension);
    j["language"] = file.lang;
    j["owner"] = toValidUtf8(file.owner);
    j["date"] = toValidUtf8(file.createTime);
    j["formate_num"] = formateNum(file.peferType);
    return dumpSafe(j);
}

RenameResult RenameRequest::decode(long status, std::string_view body) {
    RenameResult r;
    if (status != 200) {
        ORVANE_LOG("Request failed with status code: " + std::to_string(status));
        r.error = NetworkError::serverError(status, "Server error");
        return r;
    }
    json j = json::parse(body.begin(), body.end(), nullptr, false);
    if (j.is_discarded()) {
        ORVANE_LOG("Failed to parse JSON: the body is not JSON (" + std::to_string(body.size()) +
                   " bytes)");
        r.error = NetworkError::decodingError();
        return r;
    }
    ORVANE_LOG("AI File Rename Response: " + prefixCharacters(dumpSafe(j), 2000));
    if (!j.is_object() || !j.contains("data") || !j["data"].is_object()) {
        r.error = NetworkError::decodingError();
        return r;
    }
    const json& data = j["data"];
    const auto success = data.find("success");
    const auto message = data.find("message");
    const auto suggested = data.find("suggested_name");
    if (success == data.end() || !success->is_boolean() || message == data.end() ||
        !message->is_string() || suggested == data.end() || !suggested->is_string()) {
        r.error = NetworkError::decodingError();
        return r;
    }
    if (!success->get<bool>()) {
        r.error = NetworkError::custom(message->get<std::string>());
        return r;
    }
    r.suggestedName = suggested->get<std::string>();
    return r;
}

RenameResult RenameRequest::aiFileRename(const std::string& baseURL, const AIRenameFileModel& file,
                                         long timeoutSeconds) {
    static std::once_flag globalInit;
    std::call_once(globalInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    RenameResult r;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) {
        r.error = NetworkError::unknown();
        return r;
    }
    std::string url = baseURL;
    while (!url.empty() && url.back() == '/') url.pop_back();
    url += kPath;
    const std::string payload = body(file);
    Download download;
    char errorText[CURL_ERROR_SIZE] = {0};

    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Content-Type: application/json");
    headers = curl_slist_append(headers, "Accept: application/json");
    // Images travel as large bodies; do not wait for a "100 Continue" the server may not send.
    headers = curl_slist_append(headers, "Expect:");
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(headers,
                                                                           &curl_slist_free_all);
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, payload.data());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(payload.size()));
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, timeoutSeconds);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &download);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);

    const CURLcode rc = curl_easy_perform(c);
    if (rc != CURLE_OK) {
        std::string why = download.tooLarge ? "The naming service's answer is too large."
                          : errorText[0]    ? std::string(errorText)
                                            : std::string(curl_easy_strerror(rc));
        ORVANE_LOG("Request failed with error: " + why);
        r.error = NetworkError::custom(std::move(why));
        return r;
    }
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    return decode(status, download.body);
}

}  // namespace orvane::renamer
