#pragma once

#include "core/renamer/FileParser.h"

namespace orvane::renamer {

// PDF through poppler: the text layer of the first pages, or for a scanned document the first
// page rendered at 300 dpi and read by text recognition; title, author, keywords and creation
// date from the document's information.
class PDFParser : public FileParser {
public:
    static constexpr int kOcrDotsPerInch = 300;

    bool canHandle(std::string_view path) const override;
    ParseResult parseData(const std::string& fileName, std::string_view bytes) const override;
};

}  // namespace orvane::renamer
