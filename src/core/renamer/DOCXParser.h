#pragma once

#include <cstdint>

#include "core/renamer/FileParser.h"
#include "core/renamer/ZipPackage.h"

namespace orvane::renamer {

// Word documents: the ZIP package's word/document.xml and docProps/core.xml, read as streams
// of XML events so a large document is never held twice.
class DOCXParser : public FileParser {
public:
    explicit DOCXParser(std::uint64_t memberLimit = ZipPackage::kDefaultMemberLimit)
        : memberLimit_(memberLimit) {}

    bool canHandle(std::string_view path) const override;
    ParseResult parseData(const std::string& fileName, std::string_view bytes) const override;

private:
    std::uint64_t memberLimit_;
};

}  // namespace orvane::renamer
