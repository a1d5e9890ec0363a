#include "app/shell/ModuleScreens.h"

#include <map>

#include "app/apps/AppManageViewController.h"
#include "app/duplicates/DuplicatFilesViewController.h"
#include "app/junk/JunkViewController.h"
#include "app/largefiles/LargeFilesViewController.h"
#include "app/photos/SimilarPhotosViewController.h"
#include "app/renamer/AIRenamerViewController.h"
#include "app/shell/PlaceholderViewController.h"

namespace orvane::app {

namespace {

std::map<ModuleType, ModuleScreenFactory>& factories() {
    // One line per module whose screens are built:
    //   {ModuleType::x, [] -> ModuleBaseViewController* { return new XViewController; }},
    static std::map<ModuleType, ModuleScreenFactory> table = {
        {ModuleType::cleanJunk,
         []() -> ModuleBaseViewController* { return new JunkViewController; }},
        {ModuleType::duplicateFiles,
         []() -> ModuleBaseViewController* { return new DuplicatFilesViewController; }},
        {ModuleType::largeFiles,
         []() -> ModuleBaseViewController* { return new LargeFilesViewController; }},
        {ModuleType::aiRenamer,
         []() -> ModuleBaseViewController* { return new AIRenamerViewController; }},
        {ModuleType::appManage,
         []() -> ModuleBaseViewController* { return new AppManageViewController; }},
        {ModuleType::similarPhotos,
         []() -> ModuleBaseViewController* { return new SimilarPhotosViewController; }},
    };
    return table;
}

}  // namespace

ModuleBaseViewController* makeModuleScreen(ModuleType type) {
    auto& table = factories();
    if (auto it = table.find(type); it != table.end() && it->second) {
        if (ModuleBaseViewController* screen = it->second()) return screen;
    }
    return new PlaceholderViewController(type);
}

bool hasModuleScreen(ModuleType type) {
    auto& table = factories();
    auto it = table.find(type);
    return it != table.end() && it->second;
}

void overrideModuleScreen(ModuleType type, ModuleScreenFactory factory) {
    factories()[type] = std::move(factory);
}

}  // namespace orvane::app
