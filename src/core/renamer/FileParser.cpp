#include "core/renamer/FileParser.h"

#include "core/renamer/ParserSupport.h"
#include "core/renamer/SizePolicy.h"

namespace orvane::renamer {

ParseResult FileParser::parse(const std::string& path) const {
    std::string bytes;
    if (auto err = readFileCapped(path, SizePolicy::kDocumentLimit, bytes, "Parser"))
        return ParseResult::failure(*err);
    ParseResult r = parseData(fileNameOf(path), bytes);
    if (r.ok() && r.summary->meta("createTime").empty()) {
        if (auto created = creationTimeText(path)) r.summary->metadata["createTime"] = *created;
    }
    return r;
}

}  // namespace orvane::renamer
