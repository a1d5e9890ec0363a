#include "core/renamer/ParserRouter.h"

#include <cstring>

#include "core/renamer/CSVTSVExcelParser.h"
#include "core/renamer/DOCXParser.h"
#include "core/renamer/HTMLParser.h"
#include "core/renamer/ImagePassthroughParser.h"
#include "core/renamer/JSONYAMLXMLParser.h"
#include "core/renamer/LOGParser.h"
#include "core/renamer/MarkdownParser.h"
#include "core/renamer/PDFParser.h"
#include "core/renamer/SizePolicy.h"
#include "core/renamer/TXTParser.h"

namespace orvane::renamer {

ParserRouter::ParserRouter() {
    parsers_.push_back(std::make_unique<TXTParser>());
    parsers_.push_back(std::make_unique<DOCXParser>());
    parsers_.push_back(std::make_unique<PDFParser>());
    parsers_.push_back(std::make_unique<MarkdownParser>());
    parsers_.push_back(std::make_unique<HTMLParser>());
    parsers_.push_back(std::make_unique<CSVTSVExcelParser>());
    parsers_.push_back(std::make_unique<JSONYAMLXMLParser>());
    parsers_.push_back(std::make_unique<LOGParser>());
    parsers_.push_back(std::make_unique<ImagePassthroughParser>());
}

const std::vector<std::string>& ParserRouter::supportedExtensions() {
    static const std::vector<std::string> exts = {
        "txt",  "docx", "pdf", "md",  "html", "htm",  "csv", "tsv",  "xlsx", "json",
        "yaml", "yml",  "xml", "log", "jpg",  "jpeg", "png", "webp", "heif", "heic"};
    return exts;
}

bool ParserRouter::handles(std::string_view path) const {
    for (const auto& p : parsers_)
        if (p->canHandle(path)) return true;
    return false;
}

ParseResult ParserRouter::parse(const std::string& path) const {
    std::error_code ec;
    const bool allowed = SizePolicy::canAdd(path, ec);
    if (ec)
        return ParseResult::failure("FileSystem", ec.value(),
                                    "The file could not be read: " + ec.message());
    if (!allowed) {
        // A kind the policy does not know is refused for its type, not its size.
        if (!handles(path)) return ParseResult::failure("Parser", 2, "不支持的type");
        return ParseResult::failure("Parser", 1, "超过可添加大小限制");
    }
    for (const auto& p : parsers_) {
        if (!p->canHandle(path)) continue;
        ParseResult r = p->parse(path);
        if (!r.ok()) return r;
        r.summary->parseThenUpload = SizePolicy::parseThenUpload(path, ec);
        return r;
    }
    return ParseResult::failure("Parser", 2, "不支持的type");
}

}  // namespace orvane::renamer
