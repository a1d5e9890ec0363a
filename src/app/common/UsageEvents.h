#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "app/shell/ModuleType.h"
#include "core/analytics/Analytics.h"

// What the screens report as usage events. Each call returns at once; the local recorder writes
// off the GUI thread.
namespace orvane::app::usage {

// The event module of a screen shared by the photo, duplicate and large-file modules; empty for
// any other module (such screens send nothing then).
std::string_view moduleFor(ModuleType type);
// The target screens report a scan start for the photo and duplicate modules only.
std::string_view pathScreenModuleFor(ModuleType type);
// The main window's back button names the junk cleaner for every other module.
std::string_view startOverModuleFor(ModuleType type);

// Seconds from `start` to now, for the elapsed-time labels.
double secondsSince(std::chrono::steady_clock::time_point start);

// A step of a task ("Process").
void process(std::string_view module, std::string_view action, analytics::Labels labels);
// A choice on a screen ("Operational").
void operational(std::string_view module, std::string_view action, analytics::Labels labels);
// A renamer event: its category names the module, its module is one blank.
void renamer(std::string_view action, analytics::Labels labels);
// The answer to a leave-or-stop sheet: "Confirm" for the confirming button, else "Cancel".
void sheetAnswer(std::string_view module, bool confirmed);

}  // namespace orvane::app::usage
