#pragma once

#include "core/renamer/FileParser.h"

namespace orvane::renamer {

// Markdown read as UTF-8; the front matter gives title, author and date, else the first "# "
// heading gives the title.
class MarkdownParser : public FileParser {
public:
    bool canHandle(std::string_view path) const override;
    ParseResult parseData(const std::string& fileName, std::string_view bytes) const override;
};

}  // namespace orvane::renamer
