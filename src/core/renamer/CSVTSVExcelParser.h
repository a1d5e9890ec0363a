#pragma once

#include <cstdint>

#include "core/renamer/FileParser.h"
#include "core/renamer/ZipPackage.h"

namespace orvane::renamer {

// Tables: the header row and the first two data rows. CSV and TSV go through libcsv; an
// XLSX workbook's first worksheet is read from the package with its shared strings.
class CSVTSVExcelParser : public FileParser {
public:
    explicit CSVTSVExcelParser(std::uint64_t memberLimit = ZipPackage::kDefaultMemberLimit)
        : memberLimit_(memberLimit) {}

    bool canHandle(std::string_view path) const override;
    ParseResult parseData(const std::string& fileName, std::string_view bytes) const override;

private:
    std::uint64_t memberLimit_;
};

}  // namespace orvane::renamer
