#include "namer/OpenAICompatibleNamer.h"

#include <nlohmann/json.hpp>

#include "core/renamer/ParserSupport.h"
#include "core/renamer/PerferenceSetting.h"
#include "core/renamer/PerferenceSettingLang.h"
#include "kit/HttpRequest.h"
#include "namer/NameCleaner.h"

namespace orvane::namer {

namespace {

using nlohmann::json;

std::string orderDescription(int formateNum) {
    const auto order = renamer::perferenceSettingFromFormateNum(formateNum)
                           .value_or(renamer::PerferenceSetting::content);
    std::string out;
    for (char part : renamer::partOrder(order)) {
        if (!out.empty()) out += ", then ";
        out += part == 'c'   ? "a short description of the content"
               : part == 'o' ? "the owner (when given)"
                             : "the date as YYYY-MM-DD (when given)";
    }
    return out;
}

std::string languageName(const std::string& code) {
    if (auto lang = renamer::languageFromCode(code))
        return std::string(renamer::languageDisplayName(*lang));
    return "English";
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace

std::string OpenAICompatibleNamer::completionsURL() const {
    std::string url = config_.url;
    while (!url.empty() && url.back() == '/') url.pop_back();
    if (url.ends_with("/chat/completions")) return url;
    return url + "/chat/completions";
}

std::string OpenAICompatibleNamer::requestBody(const NameRequest& r) const {
    const std::string system =
        "You name files. Answer with the new file name only: no extension, no quotes, no "
        "explanation, at most 8 words, in " +
        languageName(r.language) +
        ". Put the parts in this order, joined by underscores: " + orderDescription(r.formateNum) +
        ".";
    std::string facts = "Original file name: " + renamer::toValidUtf8(r.originalFilename) + "\n";
    if (!r.owner.empty()) facts += "Owner: " + renamer::toValidUtf8(r.owner) + "\n";
    if (!r.date.empty()) facts += "Date: " + renamer::toValidUtf8(r.date) + "\n";

    json user;
    if (r.isImage()) {
        user = json::array({{{"type", "text"}, {"text", facts + "The file is this image."}},
                            {{"type", "image_url"}, {"image_url", {{"url", r.content}}}}});
    } else {
        const std::string content = renamer::toValidUtf8(r.content);
        const std::string capped = renamer::prefixCharacters(content, config_.maxContentCharacters);
        std::string text = facts + "Content:\n" + capped;
        if (capped.size() < content.size())
            text += "\n[The content was cut here to fit; name the file from the part above.]";
        user = text;
    }
    json body = {{"model", config_.model},
                 {"messages", json::array({{{"role", "system"}, {"content", system}},
                                           {{"role", "user"}, {"content", user}}})},
                 {"temperature", 0.2},
                 {"max_tokens", 64},
                 {"stream", false}};
    return body.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string OpenAICompatibleNamer::cleanAnswer(std::string_view answer,
                                               std::string_view extension) {
    std::string text(answer);
    // Reasoning models think aloud before they answer.
    for (auto open = text.find("<think>"); open != std::string::npos; open = text.find("<think>")) {
        const auto close = text.find("</think>", open);
        text.erase(open, close == std::string::npos ? std::string::npos : close + 8 - open);
    }
    std::string line;
    std::string_view rest = text;
    while (!rest.empty()) {
        const auto nl = rest.find('\n');
        line = renamer::trim(rest.substr(0, nl));
        // Code fences are wrapping, not the answer.
        if (!line.empty() && !line.starts_with("```")) break;
        line.clear();
        if (nl == std::string_view::npos) break;
        rest.remove_prefix(nl + 1);
    }
    for (const char* label : {"file name:", "filename:", "new name:", "name:"}) {
        if (lowerAscii(line).starts_with(label)) {
            line = renamer::trim(std::string_view(line).substr(std::string_view(label).size()));
            break;
        }
    }
    while (!line.empty() && std::string_view("\"'`*").find(line.front()) != std::string_view::npos)
        line.erase(0, 1);
    while (!line.empty() && std::string_view("\"'`*").find(line.back()) != std::string_view::npos)
        line.pop_back();
    // The client keeps the real extension; one the model added is dropped.
    const std::string ext = "." + lowerAscii(std::string(extension));
    if (!extension.empty() && lowerAscii(line).ends_with(ext))
        line.resize(line.size() - ext.size());
    return NameCleaner::clean(line, extension);
}

NameSuggestion OpenAICompatibleNamer::suggest(const NameRequest& request) const {
    kit::HttpRequest post = kit::HttpRequest::postJSON(completionsURL(), requestBody(request));
    if (!config_.apiKey.empty()) post.headers.push_back("Authorization: Bearer " + config_.apiKey);
    post.timeoutMs = config_.timeoutSeconds * 1000;
    const kit::HttpResponse reply = post.send();
    if (reply.outcome == kit::HttpResponse::Outcome::unavailable)
        return NameSuggestion::failure(reply.error);
    if (reply.outcome == kit::HttpResponse::Outcome::tooLarge)
        return NameSuggestion::failure("The language model's answer is too large.");
    if (!reply.answered())
        return NameSuggestion::failure("The language model could not be reached: " + reply.error);
    if (reply.status != 200)
        return NameSuggestion::failure("The language model answered with status " +
                                       std::to_string(reply.status) + ".");
    const json j = json::parse(reply.body, nullptr, false);
    const json* content = nullptr;
    if (!j.is_discarded() && j.is_object() && j.contains("choices") && j["choices"].is_array() &&
        !j["choices"].empty() && j["choices"][0].is_object() &&
        j["choices"][0].contains("message") && j["choices"][0]["message"].is_object() &&
        j["choices"][0]["message"].contains("content") &&
        j["choices"][0]["message"]["content"].is_string())
        content = &j["choices"][0]["message"]["content"];
    if (!content) return NameSuggestion::failure("The language model's answer could not be read.");
    const std::string name = cleanAnswer(content->get<std::string>(), request.fileExtension);
    if (name.empty()) return NameSuggestion::failure("The language model gave no usable name.");
    return {name, {}};
}

}  // namespace orvane::namer
