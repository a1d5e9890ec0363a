#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/junk/AutoAppAdapter.h"
#include "core/junk/CacheEnumerator.h"
#include "core/junk/CategoryItem.h"
#include "core/junk/FilterParse.h"
#include "core/junk/InstalledApps.h"
#include "core/junk/JunkTypes.h"
#include "core/junk/SoftScan.h"
#include "core/junk/UnusedArtifactDetector.h"
#include "core/junk/XMLParse.h"

namespace orvane::junk {

class RuleEnvironment;

// The rules of one scan or one cleaning, loaded when it is created: the rule document's tree,
// its filter engine and the helpers that find caches of installed applications. A new one is
// made for every scan, so edits to the document and newly installed applications count at once.
class CleanPreference final : public XMLParseDelegate {
public:
    // `ruleDocument`: the document to read (nothing: no rules, the built-in lists only).
    CleanPreference(std::shared_ptr<const RuleEnvironment> env,
                    std::optional<std::string> ruleDocument,
                    const InstallBundleProvider& installed);

    std::vector<CategoryItemPtr> categories;
    FilterDictionary filters;
    std::shared_ptr<FilterParse> filterParser;
    InstallBundleIds installBundleDic;
    std::uint32_t scanType = kDefaultScanType;
    std::shared_ptr<CacheEnumerator> cacheEnumerator;
    std::shared_ptr<SoftScan> softScan;
    std::shared_ptr<AutoAppAdapter> autoAppAdapter;
    std::vector<UnusedArtifact> unusedPreferenceArtifacts;
    std::vector<UnusedArtifact> unusedLoginArtifacts;

    // Why the rule document could not be used; empty when it was.
    std::string ruleError;

    CategoryItemPtr category(const std::string& categoryId) const;

    std::vector<ResultItemPtr> getThirdPartyAppCaches();
    std::vector<ResultItemPtr> getThirdPartyAppLogs();
    ActionItemPtr createLogActionItem() const;

    const std::shared_ptr<const RuleEnvironment>& environment() const { return env_; }

    void parseComplete(std::vector<CategoryItemPtr> categories, FilterDictionary filters) override;

private:
    void initializeXMLRules(const std::optional<std::string>& ruleDocument);
    std::shared_ptr<const RuleEnvironment> env_;
};

// The rule document shipped for the layout, when it can be found.
std::optional<std::string> ruleDocumentPath(const platform::Layout& layout);

}  // namespace orvane::junk
