#include "core/renamer/JSONYAMLXMLParser.h"

#include "core/renamer/ParserSupport.h"
#include "core/renamer/TopLevelExtractor.h"
#include "core/renamer/XMLTopNodeParser.h"

namespace orvane::renamer {

namespace {

constexpr const char* kDomain = "JSONYAMLXMLParser";

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string joinPairs(const NamedPairs& pairs) {
    std::string out;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (i) out += " | ";
        out += pairs[i].first + ":" + pairs[i].second;
        if (out.size() > 4 * kContentCharacters) break;
    }
    return out;
}

}  // namespace

bool JSONYAMLXMLParser::canHandle(std::string_view path) const {
    const std::string ext = lowerExtension(path);
    return ext == "json" || ext == "yaml" || ext == "yml" || ext == "xml";
}

ParseResult JSONYAMLXMLParser::parseData(const std::string& fileName,
                                         std::string_view bytes) const {
    const std::string ext = lowerExtension(fileName);
    std::string_view body = bytes;
    if (body.starts_with("\xEF\xBB\xBF") && ext != "xml") body.remove_prefix(3);

    NamedPairs pairs;
    std::string error;
    bool ok = false;
    if (ext == "json") {
        ok = TopLevelExtractor::fromJSON(body, pairs, error);
    } else if (ext == "yaml" || ext == "yml") {
        ok = TopLevelExtractor::fromYAML(body, pairs, error);
    } else {
        XMLTopNodeParser xml;
        ok = xml.parse(body, error);
        if (ok) {
            pairs = xml.pairs();
            // A document that is one element with text still has a name worth giving.
            if (pairs.empty()) pairs.emplace_back(xml.rootName(), "");
        }
    }
    if (!ok) return ParseResult::failure(kDomain, 1, error);

    ExtractedSummary s = baseSummary(fileName, upper(ext));
    s.mainFields["content"] = toValidUtf8(prefixCharacters(joinPairs(pairs)));
    return ParseResult::success(std::move(s));
}

}  // namespace orvane::renamer
