#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>

#include "app/largefiles/LargeFilesModels.h"

class QButtonGroup;
class QLabel;
class QListView;
class QPushButton;
class QTreeView;

namespace orvane::largefiles {
class LargeFilesManager;
}

namespace orvane::app {

// The results of a large-file scan: on the left the category lists (by size, by time, by kind)
// with counts and sizes, on the right the files of the chosen category with check boxes, and
// below the running selection and the remove button.
class LargeFilesResultViewController : public QWidget {
    Q_OBJECT
public:
    explicit LargeFilesResultViewController(largefiles::LargeFilesManager& manager,
                                            QWidget* parent = nullptr);

    // Reads the manager's groups again (after a scan or a removal) and keeps the category shown.
    void reload();
    void showList(LeftLargeDataListStyle style);
    void chooseCategory(int row);
    // Name sorts by name length, size by size; each click flips the direction.
    void sortByName();
    void sortBySize();

    std::function<void()> onRemove;
    std::function<void()> onRescan;

    LargeFilesCategoryModel* categoryModel() const;
    LargeFilesTableModel* fileModel() const { return files_; }
    QListView* categoryView() const { return categoryView_; }
    QTreeView* fileView() const { return fileView_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* selectAllButton() const { return selectAll_; }
    QPushButton* listButton(LeftLargeDataListStyle style) const;
    QPushButton* nameSortButton() const { return nameSort_; }
    QPushButton* sizeSortButton() const { return sizeSort_; }
    QLabel* selectionLabel() const { return selection_; }
    QLabel* categoryTitle() const { return categoryTitle_; }
    // What the scan passed over (unreadable folders, paths too long); hidden when nothing was.
    QLabel* skippedLabel() const { return skipped_; }
    LeftLargeDataListStyle currentList() const { return style_; }
    std::size_t currentGroup() const { return group_; }

private:
    void updateSelection();

    largefiles::LargeFilesManager& manager_;
    LeftLargeDataListStyle style_ = LeftLargeDataListStyle::bySize;
    std::size_t group_ = 0;
    int row_ = 0;
    bool nameUp_ = false, sizeUp_ = false;
    LargeFilesCategoryModel* categories_[3] = {};
    QPushButton* listButtons_[3] = {};
    LargeFilesTableModel* files_ = nullptr;
    QListView* categoryView_ = nullptr;
    QTreeView* fileView_ = nullptr;
    QLabel* categoryTitle_ = nullptr;
    QLabel* selection_ = nullptr;
    QLabel* empty_ = nullptr;
    QLabel* skipped_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* nameSort_ = nullptr;
    QPushButton* sizeSort_ = nullptr;
    QPushButton* selectAll_ = nullptr;
};

}  // namespace orvane::app
