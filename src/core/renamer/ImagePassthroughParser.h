#pragma once

#include "core/renamer/FileParser.h"

namespace orvane::renamer {

// Images are not summarised: the whole file is sent as data later. Reads nothing.
class ImagePassthroughParser : public FileParser {
public:
    bool canHandle(std::string_view path) const override;
    ParseResult parse(const std::string& path) const override;
    ParseResult parseData(const std::string& fileName, std::string_view bytes) const override;
};

}  // namespace orvane::renamer
