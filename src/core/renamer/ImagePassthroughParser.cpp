#include "core/renamer/ImagePassthroughParser.h"

#include "core/renamer/ParserSupport.h"
#include "core/renamer/SizePolicy.h"

namespace orvane::renamer {

bool ImagePassthroughParser::canHandle(std::string_view path) const {
    return SizePolicy::isImageExtension(lowerExtension(path));
}

ParseResult ImagePassthroughParser::parse(const std::string& path) const {
    return parseData(fileNameOf(path), {});
}

ParseResult ImagePassthroughParser::parseData(const std::string& fileName, std::string_view) const {
    return ParseResult::success(baseSummary(fileName, "IMAGE"));
}

}  // namespace orvane::renamer
