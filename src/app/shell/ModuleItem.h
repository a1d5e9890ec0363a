#pragma once

#include <QString>

#include <vector>

#include "app/shell/ModuleType.h"

namespace orvane::app {

// One entry of the module list.
struct ModuleItem {
    QString iconName;
    QString selectedIconName;
    QString highlighedIconName;
    QString unableIconName;
    QString moduleName;
    ModuleType moduleType = ModuleType::none;
    QString moduleTip;
    bool isSelected = false;
    bool isHoldSelected = false;
};

// The six modules in list order, names localised.
std::vector<ModuleItem> moduleRegistry();

}  // namespace orvane::app
