#include "app/shell/ModuleBaseViewController.h"

namespace orvane::app {

ModuleBaseViewController::ModuleBaseViewController(ModuleType type, QWidget* parent)
    : QWidget(parent), type_(type) {}

void ModuleBaseViewController::backToHome(std::function<void(bool)> completion) {
    if (completion) completion(true);
}

bool ModuleBaseViewController::isShouldCloseWindow() { return true; }

void ModuleBaseViewController::applicationWillTerminate() {}

void ModuleBaseViewController::setLeftlistStatus(bool enabled) {
    if (delegate) delegate->setLeftlistStatus(enabled);
}

}  // namespace orvane::app
