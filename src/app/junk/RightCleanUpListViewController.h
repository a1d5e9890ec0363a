#pragma once

#include <QWidget>

#include <set>

#include "core/junk/JunkSubcategory.h"
#include "core/junk/JunkTypes.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace orvane::app {

class CleanUpResultNewViewController;

// The results screen's right outline: the headings and items of the kind picked on the left,
// each with a check box (a heading's shows whether all, some or none of its items are ticked),
// a select-all box that stands for every kind, and a sort pop-up.
class RightCleanUpListViewController : public QWidget {
    Q_OBJECT
public:
    explicit RightCleanUpListViewController(QWidget* parent = nullptr);

    junk::JunkCategoryPtr currentCategory;
    QTreeWidget* scanOutlineView = nullptr;
    QComboBox* sortPopButton = nullptr;
    QCheckBox* allSelectCheckBox = nullptr;
    QLabel* allSelectLabel = nullptr;
    junk::CleanUpItemSortType selectedSortType = junk::CleanUpItemSortType::normal;
    std::set<std::string> expandedItems;
    CleanUpResultNewViewController* updateDelegate = nullptr;

    void updateWithCategory(const junk::JunkCategoryPtr& category);
    // Rebuilds the outline from the items, in the current order.
    void reloadData();
    // Redraws every check box from the items' flags, keeping rows and scroll position.
    void refreshChecks();
    // The box over the current category alone, then over every category (whose result stands).
    void updateAllSelectCheckBoxState();
    void updateAllSelectFromLeftCheckBox(const std::vector<junk::JunkCategoryPtr>& categories);

private:
    void allSelectAction();
    void outlineChanged(QTreeWidgetItem* row, int column);
    void fillGroup(QTreeWidgetItem* parent, const junk::JunkSubcategoryPtr& group);
    void setBox(junk::CheckState state);
    bool filling_ = false;
};

}  // namespace orvane::app
