#pragma once

#include <QWidget>

#include <vector>

#include "core/junk/JunkSubcategory.h"
#include "core/junk/JunkTypes.h"

class QComboBox;
class QTableWidget;
class QTableWidgetItem;

namespace orvane::app {

class CleanUpResultNewViewController;

// The results screen's left list: one row per kind of junk with a check box that stands for all
// of its items, its size, and a sort pop-up.
class LeftCleanUpListViewController : public QWidget {
    Q_OBJECT
public:
    explicit LeftCleanUpListViewController(QWidget* parent = nullptr);

    std::vector<junk::JunkCategoryPtr> categories;
    QTableWidget* tableView = nullptr;
    QComboBox* sortPopButton = nullptr;
    CleanUpResultNewViewController* delegate = nullptr;

    void reloadData();
    // Redraws one row's check box and size from its items.
    void reloadRow(int row);
    int selectedRow() const;
    void selectRow(int row);
    junk::CleanUpItemSortType sortType() const { return sortType_; }

Q_SIGNALS:
    void categoryChosen(int row);

private:
    void checkBoxAction(QTableWidgetItem* cell);
    void sortChanged(int index);
    junk::CleanUpItemSortType sortType_ = junk::CleanUpItemSortType::normal;
    bool filling_ = false;
};

}  // namespace orvane::app
