#pragma once

#include <QWidget>

#include <functional>

#include "app/shell/ModuleType.h"

namespace orvane::app {

// What a module screen may ask of the main screen.
class MainViewDelegate {
public:
    virtual ~MainViewDelegate() = default;
    // Enables or disables the module list: disabled while a module scans or removes, so the
    // user cannot walk away from work in flight.
    virtual void setLeftlistStatus(bool enabled) = 0;
};

// Base of every module's root screen. The main screen creates one per module at its first
// display and keeps it for the run; switching away only hides it.
class ModuleBaseViewController : public QWidget {
    Q_OBJECT
public:
    explicit ModuleBaseViewController(ModuleType type, QWidget* parent = nullptr);

    ModuleType moduleType() const { return type_; }

    // The main screen; it outlives every module screen.
    MainViewDelegate* delegate = nullptr;

    // Asked before the module is left. A screen holding results the user would lose asks first;
    // `completion` receives whether leaving is fine (possibly later, after a question).
    virtual void backToHome(std::function<void(bool)> completion);
    // Asked when the window is about to close: false keeps it open.
    virtual bool isShouldCloseWindow();
    // The program is ending: stop background work so nothing reports to a screen being torn
    // down.
    virtual void applicationWillTerminate();

protected:
    void setLeftlistStatus(bool enabled);

private:
    ModuleType type_;
};

}  // namespace orvane::app
