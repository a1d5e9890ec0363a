#pragma once

#include <string>
#include <string_view>

#include "core/renamer/ParseResult.h"

namespace orvane::renamer {

// One family of formats. A parser decides from the lower-cased extension alone whether a file is
// its own, reads only as much as it needs and never writes to the file.
class FileParser {
public:
    virtual ~FileParser() = default;

    virtual bool canHandle(std::string_view path) const = 0;
    // Reads the file (at most the document limit) and summarises it; "createTime" comes from the
    // file's birth time unless the content carries its own date.
    virtual ParseResult parse(const std::string& path) const;
    // Summarises bytes already in memory; `fileName` gives the name and the extension. This is
    // where every format rule lives, so it is also what the fuzz targets drive.
    virtual ParseResult parseData(const std::string& fileName, std::string_view bytes) const = 0;
};

}  // namespace orvane::renamer
