#pragma once

#include <QWidget>

#include <functional>
#include <vector>

#include "app/shell/ModuleItem.h"

class QListWidget;
class QListWidgetItem;
class QToolButton;

namespace orvane::app {

// The module list on the left of the main window. A click does not move the selection by itself:
// the main screen first asks the module on show whether it may be left, and the selection moves
// only on a yes.
class LeftListViewController : public QWidget {
    Q_OBJECT
public:
    explicit LeftListViewController(QWidget* parent = nullptr);

    void setDisplayItems(std::vector<ModuleItem> items);
    const std::vector<ModuleItem>& displayItems() const { return displayItems_; }

    // Called with the clicked module; the callee answers whether the switch happened.
    std::function<void(ModuleType, std::function<void(bool)>)> functionDidSelectedBlock;

    ModuleType currentFuncType = ModuleType::none;
    int currentSelectedIndex = 0;

    // Moves the selection to the last entry of `type` and redraws.
    void selectType(ModuleType type);
    void reloadData();

    void setFolded(bool folded);
    bool isFolded() const { return folded_; }
    void setListEnabled(bool enabled);
    bool isListEnabled() const { return enabled_; }

    // Simulates the user clicking the entry at `index` (also used by keyboard activation).
    void clickIndex(int index);
    bool isWaitingForAnswer() const { return waiting_; }

    QListWidget* listWidget() const { return list_; }

private:
    std::vector<ModuleItem> displayItems_;
    QListWidget* list_ = nullptr;
    QToolButton* foldButton_ = nullptr;
    bool folded_ = false;
    bool enabled_ = true;
    bool waiting_ = false;
};

}  // namespace orvane::app
