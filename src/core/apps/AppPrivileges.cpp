#include "core/apps/AppPrivileges.h"

#include "kit/Localization.h"

namespace orvane::apps {

namespace {

class UnavailablePrivileges final : public AppPrivileges {
public:
    ToolOutcome removePath(const std::string&,
                           const std::optional<files::ScannedIdentity>&) override {
        return refused();
    }
    ToolOutcome removePackages(const std::vector<std::string>&) override { return refused(); }

private:
    static ToolOutcome refused() {
        return ToolOutcome::failure(
            kit::localized("Administrator rights are not available in this build of Orvane."));
    }
};

}  // namespace

std::shared_ptr<AppPrivileges> AppPrivileges::helper() {
    return std::make_shared<UnavailablePrivileges>();
}

}  // namespace orvane::apps
