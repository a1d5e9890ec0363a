#include "app/shell/ModuleItem.h"

#include "app/common/Text.h"

namespace orvane::app {

namespace {

ModuleItem makeItem(const char* nameKey, const QString& icon, ModuleType type) {
    ModuleItem item;
    item.iconName = icon;
    item.selectedIconName = icon + QStringLiteral("_h");
    item.highlighedIconName = icon + QStringLiteral("_h");
    item.unableIconName = icon + QStringLiteral("_d");
    item.moduleName = loc(nameKey);
    item.moduleType = type;
    item.moduleTip = item.moduleName;
    return item;
}

}  // namespace

std::vector<ModuleItem> moduleRegistry() {
    return {
        makeItem("Junk Files", QStringLiteral("leftList_cleanup"), ModuleType::cleanJunk),
        makeItem("Similar Photos", QStringLiteral("leftList_similar"), ModuleType::similarPhotos),
        makeItem("Duplicate_Files", QStringLiteral("leftList_duplicate"),
                 ModuleType::duplicateFiles),
        makeItem("Large Files", QStringLiteral("leftList_bigFiles"), ModuleType::largeFiles),
        makeItem("AI File Renamer", QStringLiteral("leftList_airenamer"), ModuleType::aiRenamer),
        makeItem("App Management", QStringLiteral("leftList_app"), ModuleType::appManage),
    };
}

}  // namespace orvane::app
