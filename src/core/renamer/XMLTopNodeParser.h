#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/renamer/ChildSummary.h"

namespace orvane::renamer {

// Streams an XML document and keeps a ChildSummary for each element directly under the root,
// stopping after enough of them for a summary.
class XMLTopNodeParser {
public:
    static constexpr std::size_t kMaxSummaries = 40;
    static constexpr std::size_t kMaxSamples = 2;
    static constexpr std::size_t kMaxAttributes = 8;

    // False with `error` set when the document is malformed before enough was read.
    bool parse(std::string_view bytes, std::string& error);

    const std::string& rootName() const { return rootName_; }
    const std::vector<ChildSummary>& summaries() const { return summaries_; }
    // (element name, description) for each first-level element.
    std::vector<std::pair<std::string, std::string>> pairs() const;

private:
    int depth = 0;
    std::string rootName_;
    std::vector<ChildSummary> summaries_;
    ChildSummary* current = nullptr;
    std::string currentSecondLevelName;
    Attributes currentSecondLevelAttrs;
};

}  // namespace orvane::renamer
