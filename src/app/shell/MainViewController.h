#pragma once

#include <QWidget>

#include <functional>
#include <map>

#include "app/shell/ModuleBaseViewController.h"

class QStackedWidget;

namespace orvane::app {

class LeftListViewController;

// The main screen: the module list on the left and the active module's root screen on the
// right. Root screens are made at their first display and kept for the run, so a module comes
// back as it was left.
class MainViewController : public QWidget, public MainViewDelegate {
    Q_OBJECT
public:
    explicit MainViewController(QWidget* parent = nullptr);

    void displayViewWithType(ModuleType type);
    // What a click on the module list does: asks the module on show, then switches.
    void functionDidSelected(ModuleType type, std::function<void(bool)> completion);

    void setLeftlistStatus(bool enabled) override;

    ModuleType currentViewType = ModuleType::none;
    ModuleType lastViewType = ModuleType::none;
    bool isBack = false;

    ModuleBaseViewController* currentViewCtr() const { return currentViewCtr_; }
    // The root screen of `type` if it was shown once, else null.
    ModuleBaseViewController* screenFor(ModuleType type) const;
    LeftListViewController* leftList() const { return leftList_; }
    QStackedWidget* contentArea() const { return content_; }

    // Every root screen made so far, for shutdown.
    std::vector<ModuleBaseViewController*> screens() const;

    // The wait before the module on show is asked, so the click's highlight is drawn first.
    static constexpr int kBackToHomeDelayMs = 110;

Q_SIGNALS:
    void moduleDisplayed(ModuleType type);

private:
    void switchTo(ModuleType type);

    LeftListViewController* leftList_ = nullptr;
    QStackedWidget* content_ = nullptr;
    ModuleBaseViewController* currentViewCtr_ = nullptr;
    std::map<ModuleType, ModuleBaseViewController*> screens_;
};

}  // namespace orvane::app
