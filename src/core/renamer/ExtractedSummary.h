#pragma once

#include <map>
#include <string>
#include <vector>

namespace orvane::renamer {

// The short, structured description of one file that the name service is asked about. Every
// text in it is valid UTF-8 (bytes that are not become U+FFFD), so it can go into JSON as is.
struct ExtractedSummary {
    std::string fileName;   // last path component
    std::string typeLabel;  // "TXT", "PDF", "IMAGE", ...
    // "name", "type", "title", "content".
    std::map<std::string, std::string> mainFields;
    // "createTime", "author", "keywords", "date", "meta description", "meta keywords".
    std::map<std::string, std::string> metadata;
    // How the content was reduced, when it was.
    std::vector<std::string> hints;
    // Set by the router for large files; parsers leave it false.
    bool parseThenUpload = false;

    std::string field(const std::string& key) const {
        auto it = mainFields.find(key);
        return it == mainFields.end() ? std::string() : it->second;
    }
    std::string meta(const std::string& key) const {
        auto it = metadata.find(key);
        return it == metadata.end() ? std::string() : it->second;
    }
};

}  // namespace orvane::renamer
