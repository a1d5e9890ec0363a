#pragma once

#include <string>

namespace orvane::app {

// The modules of the main window, in list order.
enum class ModuleType {
    cleanJunk = 0,
    similarPhotos = 1,
    duplicateFiles = 2,
    largeFiles = 3,
    aiRenamer = 4,
    appManage = 5,
    none = 6,
};

// The module on screen. Screens shared by several modules (the scanning screen) read it to pick
// their texts. Written on the GUI thread only.
inline ModuleType cur = ModuleType::none;

}  // namespace orvane::app
