#pragma once

#include <string>

class QWidget;

namespace orvane::app {

// Turns launch at login on or off for this program; returns an error text, empty on success.
std::string setLaunchAtLogin(bool enable);

// At start-up: make the login item match the stored "autoStartup" choice, and refresh an enabled
// one when the program was updated since it was written (its command may name an old build).
// A failure shows "Status bar setting failed" with "Retry" over `window`.
void syncLoginItemAtStartup(QWidget* window);

}  // namespace orvane::app
