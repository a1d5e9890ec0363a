#pragma once

#include <functional>

#include "app/shell/ModuleType.h"

namespace orvane::app {

class ModuleBaseViewController;

// Creates the root screen of a module. Modules whose screens exist register them in
// ModuleScreens.cpp with one line; every other module gets a placeholder that says so.
using ModuleScreenFactory = std::function<ModuleBaseViewController*()>;

ModuleBaseViewController* makeModuleScreen(ModuleType type);
// Whether a real screen is registered for `type` (the placeholder does not count).
bool hasModuleScreen(ModuleType type);
// Replaces the factory of `type` for the rest of the run; tests use it to put in a screen whose
// answers they control.
void overrideModuleScreen(ModuleType type, ModuleScreenFactory factory);

}  // namespace orvane::app
