#pragma once

#include "core/renamer/FileParser.h"

namespace orvane::renamer {

// HTML through libxml2's forgiving parser: the title, the page's visible text and the
// description and keywords meta fields.
class HTMLParser : public FileParser {
public:
    bool canHandle(std::string_view path) const override;
    ParseResult parseData(const std::string& fileName, std::string_view bytes) const override;
};

}  // namespace orvane::renamer
