#pragma once

#include <QWidget>
#include <vector>

#include "core/apps/AppModel.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace orvane::app {

class AppIcons;

// The applications whose store offers a newer version: a tick and an "Update" button per app,
// "Update All", and the chosen app's versions, release date, size and notes.
class AppUpdatesView : public QWidget {
    Q_OBJECT
public:
    AppUpdatesView(AppIcons& icons, QWidget* parent = nullptr);

    // While the stores are asked.
    void showChecking();
    // The apps on offer; `error` says which store could not be asked.
    void showUpdates(std::vector<apps::AppModelPtr> apps, const QString& error);
    const std::vector<apps::AppModelPtr>& apps() const { return apps_; }

    QTreeWidget* list() const { return list_; }
    QCheckBox* checkAll() const { return checkAll_; }
    QPushButton* updateAllButton() const { return updateAll_; }
    QPushButton* updateSelectedButton() const { return updateSelected_; }
    QLabel* statusLabel() const { return status_; }
    QLabel* selectionLabel() const { return selection_; }
    QLabel* detailValue(int row) const { return values_[row]; }
    // The per-row "Update" button of an app.
    QPushButton* updateButton(int row) const;

Q_SIGNALS:
    // Update these apps (their isSelectedUpdate is set accordingly).
    void updateRequested();

private:
    void showDetails(int row);
    void updateSummary();
    void itemChanged(QTreeWidgetItem* item, int column);

    AppIcons& icons_;
    std::vector<apps::AppModelPtr> apps_;
    bool filling_ = false;
    QLabel* status_ = nullptr;
    QCheckBox* checkAll_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QLabel* selection_ = nullptr;
    QPushButton* updateSelected_ = nullptr;
    QPushButton* updateAll_ = nullptr;
    QLabel* values_[5] = {};
};

}  // namespace orvane::app
