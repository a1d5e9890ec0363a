#include "core/renamer/TXTParser.h"

#include "core/renamer/ParserSupport.h"
#include "core/renamer/TextDecoding.h"

namespace orvane::renamer {

bool TXTParser::canHandle(std::string_view path) const { return lowerExtension(path) == "txt"; }

ParseResult TXTParser::parseData(const std::string& fileName, std::string_view bytes) const {
    auto text = decodeDetected(bytes);
    if (!text)
        return ParseResult::failure("TXTParser", 1,
                                    "The file is not text in an encoding Orvane can read.");
    ExtractedSummary s = baseSummary(fileName, "TXT");
    std::string_view rest = *text;
    while (!rest.empty()) {
        const auto nl = rest.find_first_of("\r\n");
        const std::string line = trim(rest.substr(0, nl));
        if (!line.empty()) {
            s.mainFields["title"] = prefixCharacters(line, 200);
            break;
        }
        if (nl == std::string_view::npos) break;
        rest.remove_prefix(nl + 1);
    }
    s.mainFields["content"] = prefixCharacters(*text);
    return ParseResult::success(std::move(s));
}

}  // namespace orvane::renamer
