#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/junk/ActionItem.h"
#include "core/junk/InstalledApps.h"
#include "core/junk/XMLParse.h"

namespace orvane::junk {

class RuleEnvironment;

// Lists the cache folders of the user once, when the rules load, and hands each one to the
// installed application it belongs to. A folder is handed out once: what is attributed leaves
// its list, so the leftovers that remain are the caches nobody installed claims.
class CacheEnumerator {
public:
    explicit CacheEnumerator(std::shared_ptr<const RuleEnvironment> env);

    InstallBundleIds installBundleDict;
    std::vector<std::string> libCacheArray;
    std::vector<std::string> containerCacheArray;
    std::vector<std::string> tempCacheArray;

    // Filters "73", "74" and "75" of the document carry the scan filters of the three kinds of
    // cache folder; a missing one leaves its list empty.
    void initializeData(const FilterDictionary& filters);

    static ActionItemPtr createCacheActionItem(const std::string& path,
                                               const std::string& scanFilters,
                                               const std::string& type);

    std::vector<std::string> getCacheWithActionItem(const ActionItem& action);
    int estimateCacheCount(const ActionItem& action) const;

    std::vector<std::string> getLibraryCacheByBundleId(const std::string& bundleId,
                                                       const std::string& appName);
    std::vector<std::string> getContainerCacheByBundleId(const std::string& bundleId);
    std::vector<std::string> getTempCacheByBundleId(const std::string& bundleId);
    std::string getAppName(const std::string& bundleId) const;

private:
    bool libraryMatch(const std::string& folder, const std::string& bundleId,
                      const std::string& appName) const;
    std::shared_ptr<const RuleEnvironment> env_;
    mutable std::mutex lock_;
};

}  // namespace orvane::junk
