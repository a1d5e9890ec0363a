#include "core/junk/CleanPreference.h"

#include "core/junk/RuleEnvironment.h"
#include "kit/Log.h"
#include "kit/Resources.h"

namespace orvane::junk {

CleanPreference::CleanPreference(std::shared_ptr<const RuleEnvironment> env,
                                 std::optional<std::string> ruleDocument,
                                 const InstallBundleProvider& installed)
    : installBundleDic(installed ? installed() : InstallBundleIds{}), env_(std::move(env)) {
    cacheEnumerator = std::make_shared<CacheEnumerator>(env_);
    cacheEnumerator->installBundleDict = installBundleDic;
    initializeXMLRules(ruleDocument);
}

void CleanPreference::initializeXMLRules(const std::optional<std::string>& ruleDocument) {
    if (!ruleDocument) {
        ruleError = "the rule document was not found";
        ORVANE_LOG("junk rules: " + ruleError);
        return;
    }
    XMLParse parser(installBundleDic, *env_);
    parser.delegate = this;
    if (!parser.parseXML(*ruleDocument)) {
        ruleError = parser.errorDescription().empty()
                        ? "the rule document cannot be read: " + *ruleDocument
                        : parser.errorDescription();
        return;
    }
    if (!filterParser) ruleError = parser.errorDescription();
}

void CleanPreference::parseComplete(std::vector<CategoryItemPtr> parsedCategories,
                                    FilterDictionary parsedFilters) {
    categories = std::move(parsedCategories);
    filters = std::move(parsedFilters);
    filterParser = std::make_shared<FilterParse>(filters, env_);
    cacheEnumerator->initializeData(filters);
    softScan = std::make_shared<SoftScan>(cacheEnumerator, filterParser);
    autoAppAdapter = std::make_shared<AutoAppAdapter>(installBundleDic, env_);
}

CategoryItemPtr CleanPreference::category(const std::string& categoryId) const {
    for (const auto& c : categories)
        if (c->categoryId == categoryId) return c;
    return nullptr;
}

ActionItemPtr CleanPreference::createLogActionItem() const {
    auto action = std::make_shared<ActionItem>();
    action->type = ActionType::leftLog;
    action->cleanType = CleanType::moveTrash;
    auto path = std::make_shared<ActionPathItem>();
    path->value = env_->layout.logs;
    path->type = "abs";
    path->level = 2;
    path->scanFilters = "(14)";
    action->addActionPathItem(path);
    return action;
}

std::vector<ResultItemPtr> CleanPreference::getThirdPartyAppCaches() {
    if (!autoAppAdapter || !softScan) return {};
    std::vector<ResultItemPtr> out;
    for (const auto& action : autoAppAdapter->createActionItemsForInstalledApps()) {
        if (filterParser && filterParser->cancelled()) return out;
        auto found = softScan->scanAdaptSoftCache(*action);
        out.insert(out.end(), found.begin(), found.end());
    }
    auto left = softScan->scanLeftAppCache();
    out.insert(out.end(), left.begin(), left.end());
    return out;
}

std::vector<ResultItemPtr> CleanPreference::getThirdPartyAppLogs() {
    if (!softScan || (filterParser && filterParser->cancelled())) return {};
    if (env_->layout.logs.empty()) return {};
    return softScan->scanLeftAppLog(createLogActionItem());
}

std::optional<std::string> ruleDocumentPath(const platform::Layout& layout) {
    return kit::resourceFile(layout.kind == platform::Layout::Kind::macOS
                                 ? "junk/mac/garbageConfig.xml"
                                 : "junk/linux/garbageConfig.xml");
}

}  // namespace orvane::junk
