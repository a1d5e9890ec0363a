#pragma once

#include <QWidget>

#include <functional>
#include <vector>

#include "core/junk/JunkSubcategory.h"

class QLabel;
class QPushButton;

namespace orvane::junk {
class CleanManager;
}

namespace orvane::app {

class LeftCleanUpListViewController;
class RightCleanUpListViewController;

// What a junk scan found, for the user to decide what goes: the kinds on the left, the headings
// and items of the chosen kind on the right, the count and size of everything ticked, and the
// clean button. Selection lives only in the items' flags; every check box is a view of them.
class CleanUpResultNewViewController : public QWidget {
    Q_OBJECT
public:
    explicit CleanUpResultNewViewController(junk::CleanManager& manager, QWidget* parent = nullptr);

    std::vector<junk::JunkCategoryPtr> junkCategories;
    // The state of each kind's box when cleaning started (on, off, mixed).
    std::vector<junk::CheckState> stateArray;
    QLabel* selectedLabel = nullptr;
    QPushButton* cleanButton = nullptr;
    LeftCleanUpListViewController* leftVC = nullptr;
    RightCleanUpListViewController* rightVC = nullptr;
    std::function<void()> onScanCompleted;
    std::function<void(const std::vector<junk::CheckState>&)> onStartClean;

    void applyCategories(const std::vector<junk::JunkCategoryPtr>& categories);
    void updateSelectedSizeLabel();
    void startCleanAction();

    // From the lists.
    void rightListDidUpdate(const junk::JunkCategoryPtr& category);
    void rightListDidToggleAllSelection(bool isSelect);
    void leftListDidToggle(int row);

    // Ticked items of every kind and their total size.
    std::size_t selectedCount() const;
    std::int64_t selectedSize() const;

private:
    void showCategory(int row);
    junk::CleanManager& manager_;
};

}  // namespace orvane::app
