#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/common/FolderChooser.h"
#include "core/duplicates/DuplicateSelection.h"
#include "core/files/DuplicateFiles.h"
#include "core/files/RemoveType.h"

class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QTreeView;

namespace orvane::app {

class DuplicateResultModel;
class FilePreviewView;

// The finished scan: categories on the left, the groups of the chosen category in the middle,
// the file under the cursor on the right, and the selection totals with the remove button
// below. Selection and order follow the core's rules; this view only shows them.
class DuplicateResultView : public QWidget {
    Q_OBJECT
public:
    enum CategoryIndex { all, video, audio, picture, document, other, categoryCount };
    struct Category {
        std::vector<files::DuplicateFilesPtr> groups;
        std::uint64_t totalSize = 0;
    };

    explicit DuplicateResultView(QWidget* parent = nullptr);

    void setCategories(std::array<Category, categoryCount> categories);
    void showCategory(int category);
    int currentCategory() const { return category_; }
    void setSortOrder(duplicates::GroupSortOrder order);
    duplicates::GroupSortOrder sortOrder() const { return order_; }
    void autoSelect();
    // "Select New" keeps the oldest copy of each group, "Select Old" the newest.
    void selectKeeping(duplicates::KeepRule rule);
    void deselectAll();
    // What the last scan passed over, told under the headline; empty hides the line.
    void setSkippedText(const QString& text);
    QLabel* skippedLabel() const { return skipped_; }
    // Selected files over the groups on show.
    duplicates::SelectionTotals totals() const;

    // Asks the confirmation of `type`, then hands the groups to removeRequested.
    void requestRemove(const files::RemoveType& type);
    // "Remove to the Folder...": picks the folder, then asks as above.
    void requestRemoveToChosenFolder();

    // After the user confirmed: every group of every category (removal skips unchecked ones).
    std::function<void(std::vector<files::DuplicateFilesPtr>, files::RemoveType)> removeRequested;
    // The folder used last, offered as "Remove to <name>".
    std::optional<std::string> lastFolder;
    FolderChooser chooser = chooseFoldersWithDialog;

    DuplicateResultModel* model() const { return model_; }
    QTreeView* table() const { return table_; }
    QListWidget* categoryList() const { return categories_; }
    FilePreviewView* preview() const { return preview_; }
    QToolButton* removeButton() const { return remove_; }
    QToolButton* sortButton() const { return sort_; }
    QToolButton* selectButton() const { return select_; }
    QLabel* totalsLabel() const { return totals_; }
    QPushButton* backButton() const { return back_; }
    QLabel* summaryLabel() const { return summary_; }
    // The remove menu as it stands (rebuilt each time it opens).
    QMenu* removeMenu() const { return removeMenu_; }
    void rebuildRemoveMenu();

    static QString categoryName(int category);

private:
    void refreshTotals();
    void showPreviewForRow(int row);
    void confirmEveryCopy(int group, const duplicates::GroupSelectionSnapshot& before);
    void showRowMenu(const QPoint& at);

    std::array<Category, categoryCount> categoriesData_;
    int category_ = all;
    duplicates::GroupSortOrder order_ = duplicates::GroupSortOrder::size;
    DuplicateResultModel* model_ = nullptr;
    QListWidget* categories_ = nullptr;
    QStackedWidget* tableStack_ = nullptr;
    QTreeView* table_ = nullptr;
    QLabel* emptyCategory_ = nullptr;
    FilePreviewView* preview_ = nullptr;
    QToolButton* sort_ = nullptr;
    QToolButton* select_ = nullptr;
    QToolButton* remove_ = nullptr;
    QMenu* removeMenu_ = nullptr;
    QLabel* totals_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* skipped_ = nullptr;
    QPushButton* back_ = nullptr;
    bool asking_ = false;
};

}  // namespace orvane::app
