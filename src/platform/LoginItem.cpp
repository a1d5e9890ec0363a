#include "platform/LoginItem.h"

#include "kit/Paths.h"
#include "platform/Layout.h"
#include "platform/linux/AutostartLoginItem.h"
#include "platform/mac/LaunchAgentLoginItem.h"

namespace orvane::platform {

std::unique_ptr<LoginItem> makeLoginItem(const Layout& layout, std::string programPath) {
    if (layout.kind == Layout::Kind::macOS)
        return std::make_unique<LaunchAgentLoginItem>(layout.loginItemFile, std::move(programPath),
                                                      std::string(kit::launchHelperBundleId));
    return std::make_unique<AutostartLoginItem>(layout.loginItemFile, std::move(programPath));
}

}  // namespace orvane::platform
