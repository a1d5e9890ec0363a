#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "core/apps/AppManageItemSortType.h"
#include "core/apps/AppModel.h"

class QLabel;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QTreeView;

namespace orvane::apps {
class AppManager;
}

namespace orvane::app {

class AppDetailsView;
class AppIcons;
class AppListModel;
class AppUpdatesView;

// The results of an application scan: the installed applications or the leftovers of removed
// ones, in the chosen order, with a details pane for the app picked and the running selection.
class AppManageResultViewController : public QWidget {
    Q_OBJECT
public:
    AppManageResultViewController(apps::AppManager& manager, AppIcons& icons,
                                  QWidget* parent = nullptr);

    // Takes the manager's lists again (after a scan).
    void reload();
    void showResidual(bool residual);
    bool showingResidual() const { return residual_ && !updates_; }
    // The update tab: the stores are asked again each time it is shown.
    void showUpdates();
    bool showingUpdates() const { return updates_; }
    // Re-orders the list off the GUI thread and shows it again, keeping the app picked.
    void sortBy(apps::AppManageItemSortType type);
    apps::AppManageItemSortType sortType() const { return sort_; }
    void selectRow(int row);
    // Says above the list that the scan was stopped before the end.
    void setIncomplete(bool incomplete);

    std::function<void()> onRescan;
    // The remove button: the ticked apps of the list on show, installed or leftovers.
    std::function<void(bool residual)> onRemove;
    // The update tab was opened: the owner asks the stores and answers with showUpdates.
    std::function<void()> onCheckUpdates;

    AppListModel* listModel() const { return model_; }
    QTreeView* listView() const { return list_; }
    AppDetailsView* details() const { return details_; }
    QToolButton* sortButton() const { return sortButton_; }
    QPushButton* appsTab() const { return appsTab_; }
    QPushButton* residualTab() const { return residualTab_; }
    QPushButton* updatesTab() const { return updatesTab_; }
    QPushButton* removeButton() const { return remove_; }
    AppUpdatesView* updatesView() const { return updatesView_; }
    QLabel* selectionLabel() const { return selection_; }
    QLabel* noticeLabel() const { return notice_; }
    QLabel* emptyTitle() const { return emptyTitle_; }
    QStackedWidget* listStack() const { return listStack_; }

    static QString sortTitle(apps::AppManageItemSortType type);

private:
    void showList(std::vector<apps::AppModelPtr> list);
    void updateSelection();
    void updateTabs();

    apps::AppManager& manager_;
    AppIcons& icons_;
    bool residual_ = false;
    bool updates_ = false;
    apps::AppManageItemSortType sort_ = apps::AppManageItemSortType::normal;
    // Sorts finished out of order are dropped: only the latest request is shown.
    int sortGeneration_ = 0;
    AppListModel* model_ = nullptr;
    QTreeView* list_ = nullptr;
    AppDetailsView* details_ = nullptr;
    QToolButton* sortButton_ = nullptr;
    QPushButton* appsTab_ = nullptr;
    QPushButton* residualTab_ = nullptr;
    QPushButton* updatesTab_ = nullptr;
    QPushButton* remove_ = nullptr;
    QStackedWidget* bodyStack_ = nullptr;
    AppUpdatesView* updatesView_ = nullptr;
    QLabel* selection_ = nullptr;
    QLabel* notice_ = nullptr;
    QStackedWidget* listStack_ = nullptr;
    QLabel* emptyTitle_ = nullptr;
    QLabel* emptyText_ = nullptr;
};

}  // namespace orvane::app
