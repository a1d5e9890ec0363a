#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::namer {

// The seven members a client sends to "/api/v1/ai/generate-filename".
struct NameRequest {
    std::string content;  // summary text, or an image as a data URL
    std::string originalFilename;
    std::string fileExtension;
    std::string language = "en";
    std::string owner;
    std::string date;
    int formateNum = 1;

    bool isImage() const { return content.starts_with("data:image/"); }

    // Nothing (and `error` set) when the body is not a JSON object with the members of the
    // right types; "content" and "original_filename" are required, the rest default.
    static std::optional<NameRequest> fromJSON(std::string_view body, std::string& error);
};

// What a back end answers: a name, or why there is none.
struct NameSuggestion {
    std::string name;
    std::string error;
    bool ok() const { return error.empty() && !name.empty(); }
    static NameSuggestion failure(std::string why) { return {{}, std::move(why)}; }
};

// Decodes the Base64 payload of a data URL ("data:image/png;base64,...").
std::optional<std::string> decodeDataURL(std::string_view url, std::string* mime = nullptr);

}  // namespace orvane::namer
