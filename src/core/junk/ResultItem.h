#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/junk/RuleEnums.h"

namespace orvane::junk {

class RuleEnvironment;

// One hit of a rule: a file or folder the cleaner may offer to remove.
class ResultItem {
public:
    // The size is measured here, once: a folder sums everything below it (hidden items and the
    // contents of packages aside), a file gives its length.
    ResultItem(std::string path, const RuleEnvironment& env);
    // For callers that measured already.
    ResultItem(std::string path, std::int64_t knownSize);

    std::string path;
    std::string id;
    std::int64_t fileSize = 0;
    std::optional<std::string> bundleId;
    std::optional<std::string> appName;
    int state = 1;
    CleanType cleanType = CleanType::remove;
    std::optional<std::string> languageIdentifier;
    std::optional<std::string> languageDisplayName;
    std::optional<std::string> relatedAppPath;
    // The folder the rule searched when it found this item.
    std::string basePath;
};

using ResultItemPtr = std::shared_ptr<ResultItem>;

}  // namespace orvane::junk
