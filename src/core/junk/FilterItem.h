#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace orvane::junk {

class RuleEnvironment;

// One named test of the rule document ("the file name begins with a dot", "older than 30
// days"). Filter expressions link copies of these into chains; the filters of the document's
// dictionary themselves are never linked.
class FilterItem {
public:
    std::optional<std::string> filterId;
    std::optional<std::string> column;
    std::optional<std::string> relation;
    std::optional<std::string> value;
    std::optional<std::string> action;

    // Set on copies only, by the expression parser.
    std::shared_ptr<FilterItem> andFilterItem;
    std::shared_ptr<FilterItem> orFilterItem;
    int logicLevel = 0;

    // A copy of the fields, without the links (a parsed expression links its own copies).
    std::shared_ptr<FilterItem> copy() const;

    // The test against one path. Columns that start with "sub" look inside a folder instead.
    bool checkFilterWithFilePath(const std::string& path, const RuleEnvironment& env) const;
    bool checkSubFilter(const std::string& path, const RuleEnvironment& env) const;
    // Either of the two, as the column asks.
    bool check(const std::string& path, const RuleEnvironment& env) const;

    // The item's own size attribute in bytes (a folder's is its entry table, not its contents).
    static std::int64_t calculateFileSize(const std::string& path);
    // The later of creation and modification time, seconds since 1970; 0 when neither is known.
    static double getFileCreateTime(const std::string& path);
};

using FilterItemPtr = std::shared_ptr<FilterItem>;

}  // namespace orvane::junk
