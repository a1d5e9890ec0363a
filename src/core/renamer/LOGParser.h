#pragma once

#include <string>
#include <string_view>

#include "core/renamer/FileParser.h"

namespace orvane::renamer {

// Logs: the first ten lines and the time range the log covers. A log that is not plain text in
// a common encoding is read only up to 512 KiB, and a compressed rotation is named as such.
class LOGParser : public FileParser {
public:
    static constexpr std::size_t kPrefixBytes = 524'288;

    bool canHandle(std::string_view path) const override;
    ParseResult parseData(const std::string& fileName, std::string_view bytes) const override;

    // The time stamp a line starts with ("2026-12-06 14:03:27.123+01:00"), or empty.
    static std::string timeStampCandidate(std::string_view line);
};

}  // namespace orvane::renamer
