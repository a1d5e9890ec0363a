#include "core/renamer/RenameRequest.h"

#include <nlohmann/json.hpp>

#include "core/renamer/ParserSupport.h"
#include "kit/HttpRequest.h"
#include "kit/Log.h"

namespace orvane::renamer {

namespace {

using nlohmann::json;

std::string dumpSafe(const json& j) {
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
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
    std::string url = baseURL;
    while (!url.empty() && url.back() == '/') url.pop_back();
    url += kPath;
    kit::HttpRequest request = kit::HttpRequest::postJSON(std::move(url), body(file));
    request.timeoutMs = timeoutSeconds * 1000;
    request.maxBytes = kMaxResponseBytes;
    const kit::HttpResponse response = request.send();
    if (!response.answered()) {
        std::string why = response.outcome == kit::HttpResponse::Outcome::tooLarge
                              ? "The naming service's answer is too large."
                              : response.error;
        ORVANE_LOG("Request failed with error: " + why);
        RenameResult r;
        r.error = NetworkError::custom(std::move(why));
        return r;
    }
    return decode(response.status, response.body);
}

}  // namespace orvane::renamer
