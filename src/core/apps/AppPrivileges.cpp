#include "core/apps/AppPrivileges.h"

#include "core/files/PrivilegedHelper.h"
#include "kit/Localization.h"

namespace orvane::apps {

namespace {

// The program's administrator helper: started through pkexec on first need, once per run.
class HelperPrivileges final : public AppPrivileges {
public:
    ToolOutcome removePath(const std::string& path,
                           const std::optional<files::ScannedIdentity>& scanned) override {
        if (auto refused = authorize()) return *refused;
        std::optional<files::FileIdentity> expected;
        if (scanned && scanned->device && scanned->inode) {
            files::FileIdentity id;
            id.device = *scanned->device;
            id.inode = *scanned->inode;
            expected = id;
        }
        const files::HelperReply reply =
            files::PrivilegedHelper::shared().removePath(path, expected);
        return {reply.ok, reply.message};
    }
    ToolOutcome removePackages(const std::vector<std::string>& names) override {
        if (auto refused = authorize()) return *refused;
        const files::HelperReply reply = files::PrivilegedHelper::shared().removePackages(names);
        return {reply.ok, reply.message};
    }

private:
    static std::optional<ToolOutcome> authorize() {
        files::PrivilegedHelper& helper = files::PrivilegedHelper::shared();
        if (helper.isAuthorized() || helper.initialize()) return std::nullopt;
        const std::string why = helper.lastError();
        return ToolOutcome::failure(
            why.empty() ? kit::localized("Administrator rights were not given.") : why);
    }
};

}  // namespace

std::shared_ptr<AppPrivileges> AppPrivileges::helper() {
    return std::make_shared<HelperPrivileges>();
}

}  // namespace orvane::apps
