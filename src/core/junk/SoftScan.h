#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/junk/ActionItem.h"
#include "core/junk/ResultItem.h"

namespace orvane::junk {

class CacheEnumerator;
class FilterParse;

// Runs the installed-application actions and finds what applications leave behind: their
// caches, the caches nobody claims any more, and their log files.
class SoftScan {
public:
    SoftScan(std::shared_ptr<CacheEnumerator> cacheEnumerator,
             std::shared_ptr<FilterParse> filterParse);

    std::shared_ptr<CacheEnumerator> cacheEnumerator;
    std::shared_ptr<FilterParse> filterParse;

    std::vector<ResultItemPtr> scanAdaptSoftCache(const ActionItem& action);
    std::vector<ResultItemPtr> scanLeftAppCache();
    std::vector<ResultItemPtr> scanLeftAppLog(const ActionItemPtr& action);

    std::int64_t calculateDirectorySize(const std::string& path) const;
    std::optional<std::string> getAppName(const ActionItem& action) const;
    // The first component of the path that names an installed application: (identifier, name).
    std::pair<std::optional<std::string>, std::optional<std::string>> extractAppInfoFromPath(
        const std::string& path) const;
};

}  // namespace orvane::junk
