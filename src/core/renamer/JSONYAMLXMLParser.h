#pragma once

#include "core/renamer/FileParser.h"

namespace orvane::renamer {

// Structured data described by its top level: the keys of a JSON or YAML object with a short
// description of each value, or the first-level elements of an XML document.
class JSONYAMLXMLParser : public FileParser {
public:
    bool canHandle(std::string_view path) const override;
    ParseResult parseData(const std::string& fileName, std::string_view bytes) const override;
};

}  // namespace orvane::renamer
