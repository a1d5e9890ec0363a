#include "core/junk/AutoAppAdapter.h"

#include "core/junk/JunkFiles.h"
#include "core/junk/RuleEnvironment.h"
#include "kit/Paths.h"

namespace orvane::junk {

SandboxType getAppSandboxType(const RuleEnvironment& env, const std::string& bundleId,
                              const std::string&) {
    const auto& layout = env.layout;
    if (bundleId.empty()) return SandboxType::none;
    if (!layout.containers.empty() &&
        files::existsFollowingLinks(kit::joinPath(layout.containers, bundleId)))
        return SandboxType::yes;
    if (!layout.caches.empty() &&
        files::existsFollowingLinks(kit::joinPath(layout.caches, bundleId)))
        return SandboxType::notSandboxed;
    return SandboxType::none;
}

AutoAppAdapter::AutoAppAdapter(InstallBundleIds installed,
                               std::shared_ptr<const RuleEnvironment> env)
    : installBundleDict(std::move(installed)), env_(std::move(env)) {}

std::vector<ActionItemPtr> AutoAppAdapter::createActionItemsForInstalledApps() const {
    std::vector<ActionItemPtr> out;
    for (const auto& [bundleId, appPath] : installBundleDict) {
        auto action = std::make_shared<ActionItem>();
        action->type = ActionType::softAppCache;
        action->cleanType = CleanType::moveTrash;
        action->bundleId = bundleId;
        action->appPath = appPath;
        const auto bundle = env_->bundleAt(appPath);
        action->appstoreBundleId =
            bundle && bundle->bundleIdentifier ? bundle->bundleIdentifier : std::optional(bundleId);
        action->sandboxType = getAppSandboxType(*env_, bundleId, appPath);
        out.push_back(action);
    }
    return out;
}

}  // namespace orvane::junk
