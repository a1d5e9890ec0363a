#pragma once

#include "core/renamer/FileParser.h"

namespace orvane::renamer {

// Plain text in any common encoding: the first non-empty line is the title.
class TXTParser : public FileParser {
public:
    bool canHandle(std::string_view path) const override;
    ParseResult parseData(const std::string& fileName, std::string_view bytes) const override;
};

}  // namespace orvane::renamer
