#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/junk/ActionItem.h"
#include "core/junk/FilterItem.h"
#include "core/junk/ResultItem.h"
#include "core/junk/XMLParse.h"

namespace orvane::junk {

class RuleEnvironment;

// Told of every hit the moment it is found, so a screen can grow while a long rule runs.
class FilterParseDelegate {
public:
    virtual ~FilterParseDelegate() = default;
    virtual void filterParseFoundItem(const ResultItemPtr& item) = 0;
};

// Turns one rule action into hits: expands its places, walks them as deep as the rule asks,
// drops what must never be touched and tests the rest against the action's filter expressions.
//
// Expressions name filters of the document by id and combine them with "+" (and), "|" (or) and
// one level of parentheses. Parsed expressions are cached per (text, level) under a lock and
// handed out as fresh copies, so the document's filters are never linked and two threads never
// share a chain.
class FilterParse {
public:
    FilterParse(FilterDictionary filters, std::shared_ptr<const RuleEnvironment> env);

    const FilterDictionary filterDict;
    std::vector<FilterItemPtr> filterItemArray;
    // Not owned; the running scan sets it and clears it.
    FilterParseDelegate* delegate = nullptr;

    // Polled before every path item, listed entry and candidate.
    void setShouldCancel(std::function<bool()> callback);
    bool cancelled() const;

    // Appends the heads of `expression` to `into`.
    void parseFilters(const std::string& expression, std::vector<FilterItemPtr>& into,
                      int logicLevel);
    // Whether `path` passes a parsed expression (an empty one passes).
    bool evaluate(const std::vector<FilterItemPtr>& heads, const std::string& path) const;

    std::vector<ResultItemPtr> enumerateFilePath(const ActionItemPtr& actionItem);
    std::vector<ResultItemPtr> enumerateLanguageFiles(const ActionItemPtr& actionItem);

    // The entries below `path` down to `level`: level 1 is the folder's entries, level 2 its
    // files and the entries of its sub-folders, and so on; folders appear only at the deepest
    // level. Links are entries, never descended.
    std::vector<std::string> loopListFilePath(int level, const std::string& path,
                                              bool scanPackage) const;
    // "folder/(pattern)rest": every entry of the folder whose name the pattern matches, with the
    // rest appended. Nothing when the pattern does not compile.
    std::optional<std::vector<std::string>> pathArrayWithRegex(const std::string& path) const;
    // The places a path item names, before any walking.
    std::vector<std::string> resolveBasePaths(const ActionPathItem& pathItem) const;
    std::vector<std::string> resolveScanPaths(const ActionPathItem& pathItem,
                                              bool skipPackages) const;

    // The pre-test every candidate passes before the expressions.
    bool baseFilter(const std::string& path, const ActionPathItem& pathItem,
                    const ActionItem& action) const;
    bool isOwnAppFile(const std::string& path) const;
    bool isEmptyDirectory(const std::string& path, bool hiddenCountsAsEmpty) const;

    // The language walk.
    std::vector<std::string> preferredLanguageIdentifiers() const;
    std::vector<std::string> collectLanguageTargetApps(const ActionItem& action);
    std::vector<std::string> collectLanguageDirectories(const std::string& appPath) const;
    std::string appDisplayName(const std::optional<std::string>& bundleId,
                               const std::string& appPath) const;

    std::size_t filterCacheSize() const;
    const RuleEnvironment& environment() const { return *env_; }

    // The action being enumerated (replaced at each enumeration).
    ActionItemPtr actionItem;

private:
    std::vector<FilterItemPtr> parseFiltersInternal(const std::string& expression,
                                                    int logicLevel) const;
    std::vector<FilterItemPtr> parseSimpleExpression(std::string_view expression,
                                                     int logicLevel) const;
    bool chainValue(const FilterItemPtr& head, const std::string& path) const;
    void report(const ResultItemPtr& item);

    std::shared_ptr<const RuleEnvironment> env_;
    mutable std::mutex filterCacheLock;
    std::map<std::pair<std::string, int>, std::vector<FilterItemPtr>> filterCache;
    mutable std::mutex cancelLock_;
    std::function<bool()> shouldCancel_;
};

// A parsed expression as a fresh chain of copies (links copied too).
FilterItemPtr copyChain(const FilterItemPtr& head);

}  // namespace orvane::junk
