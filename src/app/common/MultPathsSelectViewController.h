#pragma once

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "app/common/DragView.h"
#include "app/common/FolderChooser.h"
#include "app/common/FolderItem.h"

class QGridLayout;
class QLabel;
class QPushButton;
class QScrollArea;

namespace orvane::app {

// Several scan targets at once: a grid of folder tiles ending with an "add" tile, and a drop
// zone. A folder is listed once (by exact path text); there is no limit on how many.
class MultPathsSelectViewController : public QWidget, public DragViewDelegate {
    Q_OBJECT
public:
    explicit MultPathsSelectViewController(QWidget* parent = nullptr);

    // The tiles to start with; the add tile is appended when missing.
    void setFolderItems(std::vector<FolderItem> items);
    const std::vector<FolderItem>& folderItems() const { return folderItems_; }
    // Real targets only, in grid order.
    std::vector<std::string> folderPaths() const;

    // Adds each path not already listed, before the add tile; a path already listed has its
    // tile highlighted for a moment instead.
    void addPaths(const std::vector<std::string>& paths);
    void deleteItem(int index);
    // Opens the chooser (several folders at once) and adds what was picked.
    void addFromChooser();
    // Hands the whole tile list (add tile included) to pathSelectBlock.
    void scan();

    void dragDrop(DragView* view, const std::vector<std::string>& filePathList) override;

    std::function<void(const std::vector<FolderItem>&)> pathSelectBlock;
    // Leaves the screen without scanning (back to the single-folder screen).
    std::function<void()> backBlock;
    FolderChooser chooser = chooseFoldersWithDialog;

    QPushButton* scanButton() const { return scanButton_; }
    QPushButton* backButton() const { return backButton_; }
    DragView* dragView() const { return drag_; }
    // The tile widgets in grid order (the add tile last).
    QList<QWidget*> tiles() const;
    // The folder whose tile is highlighted now, empty when none.
    std::string highlightedPath() const;
    int columnCount() const { return lastColumns_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reloadData();
    void relayoutTiles();
    void highlightTile(const std::string& path);
    int columns() const;

    std::vector<FolderItem> folderItems_;
    QWidget* grid_ = nullptr;
    QGridLayout* gridLayout_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    DragView* drag_ = nullptr;
    QPushButton* scanButton_ = nullptr;
    QPushButton* backButton_ = nullptr;
    int lastColumns_ = 0;
    std::string highlighted_;
};

}  // namespace orvane::app
