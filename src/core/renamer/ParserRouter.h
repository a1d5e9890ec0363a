#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/renamer/FileParser.h"

namespace orvane::renamer {

// Checks a file against the size policy, hands it to the first parser that takes its extension
// and returns that parser's summary.
class ParserRouter {
public:
    ParserRouter();

    ParseResult parse(const std::string& path) const;
    // Whether any parser takes the file's extension.
    bool handles(std::string_view path) const;

    // The twenty lower-case extensions the parsers take, in parser order.
    static const std::vector<std::string>& supportedExtensions();

private:
    std::vector<std::unique_ptr<FileParser>> parsers_;
};

}  // namespace orvane::renamer
