#include "namer/NameRequest.h"

#include <openssl/evp.h>

#include <nlohmann/json.hpp>

namespace orvane::namer {

std::optional<NameRequest> NameRequest::fromJSON(std::string_view body, std::string& error) {
    const nlohmann::json j = nlohmann::json::parse(body.begin(), body.end(), nullptr, false);
    if (j.is_discarded() || !j.is_object()) {
        error = "The request body is not a JSON object.";
        return std::nullopt;
    }
    NameRequest r;
    auto text = [&](const char* key, std::string& out, bool required) {
        const auto it = j.find(key);
        if (it == j.end() || it->is_null()) {
            if (required) error = std::string("The request has no \"") + key + "\".";
            return !required;
        }
        if (!it->is_string()) {
            error = std::string("\"") + key + "\" must be a string.";
            return false;
        }
        out = it->get<std::string>();
        return true;
    };
    if (!text("content", r.content, true) || !text("original_filename", r.originalFilename, true) ||
        !text("file_extension", r.fileExtension, false) || !text("language", r.language, false) ||
        !text("owner", r.owner, false) || !text("date", r.date, false))
        return std::nullopt;
    if (const auto it = j.find("formate_num"); it != j.end()) {
        if (!it->is_number_integer() || it->get<long long>() < 1 || it->get<long long>() > 7) {
            error = "\"formate_num\" must be an integer from 1 to 7.";
            return std::nullopt;
        }
        r.formateNum = static_cast<int>(it->get<long long>());
    }
    return r;
}

std::optional<std::string> decodeDataURL(std::string_view url, std::string* mime) {
    if (!url.starts_with("data:")) return std::nullopt;
    const auto comma = url.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    const std::string_view header = url.substr(5, comma - 5);
    if (!header.ends_with(";base64")) return std::nullopt;
    if (mime) *mime = std::string(header.substr(0, header.size() - 7));
    std::string_view b64 = url.substr(comma + 1);
    if (b64.size() % 4 != 0) return std::nullopt;
    std::string out(b64.size() / 4 * 3, '\0');
    std::size_t written = 0;
    constexpr std::size_t kSlice = 4 * 1024 * 1024;
    for (std::size_t off = 0; off < b64.size(); off += kSlice) {
        const std::size_t n = std::min(kSlice, b64.size() - off);
        const int got = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data() + written),
                                        reinterpret_cast<const unsigned char*>(b64.data() + off),
                                        static_cast<int>(n));
        if (got < 0) return std::nullopt;
        written += static_cast<std::size_t>(got);
    }
    // EVP_DecodeBlock counts the padding as zero bytes.
    if (!b64.empty() && b64.back() == '=') --written;
    if (b64.size() >= 2 && b64[b64.size() - 2] == '=') --written;
    out.resize(written);
    return out;
}

}  // namespace orvane::namer
