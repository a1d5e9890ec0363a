#pragma once

#include <optional>
#include <string>
#include <utility>

#include "core/renamer/ExtractedSummary.h"

namespace orvane::renamer {

// Why a file could not be summarised. `description` is the text shown on the file's row.
struct ParseError {
    std::string domain;
    int code = 0;
    std::string description;
};

// Either a summary or the error that stopped the parse; parsers never throw.
struct ParseResult {
    std::optional<ExtractedSummary> summary;
    ParseError error;

    bool ok() const { return summary.has_value(); }

    static ParseResult success(ExtractedSummary s) {
        ParseResult r;
        r.summary = std::move(s);
        return r;
    }
    static ParseResult failure(std::string domain, int code, std::string description) {
        ParseResult r;
        r.error = ParseError{std::move(domain), code, std::move(description)};
        return r;
    }
    static ParseResult failure(ParseError e) {
        ParseResult r;
        r.error = std::move(e);
        return r;
    }
};

}  // namespace orvane::renamer
