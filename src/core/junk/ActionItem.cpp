#include "core/junk/ActionItem.h"

#include "core/junk/RegexCache.h"
#include "core/junk/RuleEnvironment.h"

namespace orvane::junk {

std::shared_ptr<ActionItem> ActionItem::copy() const {
    auto out = std::make_shared<ActionItem>(*this);
    // Path items are shared values; the list itself is the copy's own.
    out->pathItems = pathItems;
    return out;
}

void ActionItem::addActionPathItem(ActionPathItemPtr item) {
    if (!item) return;
    for (const auto& existing : pathItems)
        if (existing->value == item->value && existing->type == item->type) return;
    pathItems.push_back(std::move(item));
}

bool ActionItem::checkAppVersion(const RuleEnvironment& env) const {
    if (!appPath) return true;
    const auto bundle = env.bundleAt(*appPath);
    if (!bundle) return true;
    if (appVersion && bundle->shortVersion) {
        if (!RegexCache::shared().find(*appVersion, *bundle->shortVersion).value_or(false))
            return false;
    }
    if (buildVersion && bundle->version) {
        return RegexCache::shared().find(*buildVersion, *bundle->version).value_or(false);
    }
    return true;
}

}  // namespace orvane::junk
