#pragma once

#include <string>

namespace orvane::app {

// Turns launch at login on or off for this program; returns an error text, empty on success.
// The start-up side (matching the stored choice, refreshing after an update) is StartupTasks.
std::string setLaunchAtLogin(bool enable);
// The program the entry starts: the installed copy when Orvane is installed, else this one.
std::string loginItemProgram();

}  // namespace orvane::app
