#pragma once

#include <string>

#include "platform/LoginItem.h"

namespace orvane::platform {

// A per-user launch agent property list (~/Library/LaunchAgents/<label>.plist) that runs the
// program at load. Enabling writes it, disabling removes it; a plist marked Disabled, or without
// RunAtLoad, counts as disabled.
class LaunchAgentLoginItem final : public LoginItem {
public:
    LaunchAgentLoginItem(std::string plistFile, std::string programPath, std::string label);

    Outcome setEnabled(bool enabled) override;
    bool isEnabled() const override;

private:
    std::string plistFile_;
    std::string programPath_;
    std::string label_;
};

}  // namespace orvane::platform
