#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/junk/ActionPathItem.h"
#include "core/junk/ResultItem.h"
#include "core/junk/RuleEnums.h"

namespace orvane::junk {

class RuleEnvironment;

// One scan instruction of a rule group: where to look (path items) and what to keep (atom).
class ActionItem {
public:
    std::optional<std::string> actionId;
    ActionType type = ActionType::file;
    std::optional<std::string> os;
    bool recommend = false;
    bool cleanEmptyFolder = false;
    bool cleanHiddenFile = false;
    bool showResult = false;
    ActionAtomItemPtr atomItem;
    std::vector<ActionPathItemPtr> pathItems;
    std::optional<std::string> title;
    std::optional<std::string> cautionId;
    CleanType cleanType = CleanType::remove;
    std::optional<std::string> appPath;
    std::optional<std::string> bundleId;
    std::optional<std::string> appstoreBundleId;
    std::optional<std::string> appVersion;
    std::optional<std::string> buildVersion;
    SandboxType sandboxType = SandboxType::none;
    std::vector<ResultItemPtr> resultItems;

    // Same field values, with a path list of its own.
    std::shared_ptr<ActionItem> copy() const;

    // Appends unless a path item with the same value and type is there already.
    void addActionPathItem(ActionPathItemPtr item);

    // Whether the application the action is written for is the installed version: the rule
    // applies when there is no application to ask, or when its version strings match the
    // action's patterns.
    bool checkAppVersion(const RuleEnvironment& env) const;
};

using ActionItemPtr = std::shared_ptr<ActionItem>;

}  // namespace orvane::junk
