#pragma once

#include <memory>
#include <vector>

#include "core/junk/ActionItem.h"
#include "core/junk/InstalledApps.h"

namespace orvane::junk {

class RuleEnvironment;

// Whether an application keeps its data in a sandbox container, keeps plain caches, or neither
// leaves a trace the cleaner knows.
SandboxType getAppSandboxType(const RuleEnvironment& env, const std::string& bundleId,
                              const std::string& appPath);

// Turns every installed application into an action that finds its caches, so that applications
// no rule names still have their caches offered.
class AutoAppAdapter {
public:
    AutoAppAdapter(InstallBundleIds installed, std::shared_ptr<const RuleEnvironment> env);

    InstallBundleIds installBundleDict;
    std::vector<ActionItemPtr> createActionItemsForInstalledApps() const;

private:
    std::shared_ptr<const RuleEnvironment> env_;
};

}  // namespace orvane::junk
