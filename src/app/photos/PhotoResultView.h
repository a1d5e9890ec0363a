#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "core/photos/ScanImagesGroupItem.h"

class QLabel;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace orvane::photos {
class ScanImagesManager;
}

namespace orvane::app {

// The groups of similar photos: one row per group with its images below it (thumbnail, name,
// dimensions, size, date, a check box each), a large preview of the current image, the
// auto-select, sort and removal-mode menus, and the running count and size of what is checked.
class PhotoResultView : public QWidget {
    Q_OBJECT
public:
    explicit PhotoResultView(photos::ScanImagesManager* manager, QWidget* parent = nullptr);

    // Shows `groups` (the driver's own records; the check boxes write their marks).
    void setGroups(photos::ScanImagesGroups groups);
    const photos::ScanImagesGroups& groups() const { return groups_; }

    enum class Mode { trash, deleteForever, moveToFolder };
    Mode mode() const { return mode_; }
    void setMode(Mode mode, const std::string& folder = {});
    const std::string& moveFolder() const { return moveFolder_; }

    // The user confirmed removing the checked images.
    std::function<void()> removeConfirmed;
    // Picks the folder for "Remove to…"; tests replace it. Empty result: nothing chosen.
    std::function<std::string()> chooseFolder;

    // Menu actions, as the menus run them.
    void autoSelectNew();
    void autoSelectOld();
    void deselectAll();
    void toggleSelectAll();
    void sortBySize();
    void sortByQuantity();
    // Opens the confirmation question (or nothing when no image is checked).
    void requestRemove();

    QTreeWidget* tree() const { return tree_; }
    QLabel* summaryLabel() const { return summary_; }
    QLabel* preview() const { return preview_; }
    QLabel* previewCaption() const { return previewCaption_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* selectAllButton() const { return selectAll_; }
    QPushButton* backButton() const { return back_; }
    QToolButton* autoSelectButton() const { return autoSelect_; }
    QToolButton* sortButton() const { return sort_; }
    QToolButton* modeButton() const { return modeButton_; }

private:
    void rebuild();
    void refreshChecks();
    void updateSummary();
    void showPreview(QTreeWidgetItem* row);
    void requestThumbnail(const photos::ScanImagesItemPtr& item);
    void itemChanged(QTreeWidgetItem* row, int column);

    photos::ScanImagesManager* manager_;
    photos::ScanImagesGroups groups_;
    std::map<const photos::ScanImagesItem*, QTreeWidgetItem*> rows_;
    int generation_ = 0;
    bool updating_ = false;
    Mode mode_ = Mode::trash;
    std::string moveFolder_;
    std::string previewPath_;

    QTreeWidget* tree_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* preview_ = nullptr;
    QLabel* previewCaption_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* selectAll_ = nullptr;
    QPushButton* back_ = nullptr;
    QToolButton* autoSelect_ = nullptr;
    QToolButton* sort_ = nullptr;
    QToolButton* modeButton_ = nullptr;
};

}  // namespace orvane::app
