#pragma once

#include "app/shell/ModuleBaseViewController.h"

namespace orvane::app {

// The screen of a module that is not part of this build yet. It says so plainly rather than
// pretending to scan.
class PlaceholderViewController : public ModuleBaseViewController {
    Q_OBJECT
public:
    explicit PlaceholderViewController(ModuleType type, QWidget* parent = nullptr);
};

}  // namespace orvane::app
