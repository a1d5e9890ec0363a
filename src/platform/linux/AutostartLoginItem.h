#pragma once

#include <string>

#include "platform/LoginItem.h"

namespace orvane::platform {

// A freedesktop autostart entry (…/autostart/com.orvane.app.desktop). Enabling writes the entry,
// disabling removes it; an entry the user switched off in the desktop's settings (Hidden=true or
// X-GNOME-Autostart-enabled=false) counts as disabled.
class AutostartLoginItem final : public LoginItem {
public:
    AutostartLoginItem(std::string entryFile, std::string programPath);

    Outcome setEnabled(bool enabled) override;
    bool isEnabled() const override;

    // The Exec= command line for the program, quoted for desktop entries.
    static std::string execLine(const std::string& programPath);

private:
    std::string entryFile_;
    std::string programPath_;
};

}  // namespace orvane::platform
