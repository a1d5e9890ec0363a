#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <vector>

#include "core/apps/AppModel.h"

namespace orvane::app {

class AppIcons;

// The application list: one row per app with its icon, name, version, size and last use, and
// a check box that selects the app with all its files. The apps belong to the manager; this
// model only shows them and writes the user's choice into them.
class AppListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { name = 0, version, size, lastUsed, columnCount_ };

    AppListModel(AppIcons& icons, QObject* parent = nullptr);

    void setApps(std::vector<apps::AppModelPtr> apps);
    const std::vector<apps::AppModelPtr>& apps() const { return apps_; }
    apps::AppModelPtr appAt(int row) const;
    int rowOf(const apps::AppModel* app) const;
    // Some file of the app was ticked or cleared elsewhere (the details pane).
    void appChanged(const apps::AppModel* app);

    // Checked when every file is selected, partly when some are.
    static Qt::CheckState checkState(const apps::AppModel& app);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

Q_SIGNALS:
    void selectionChanged();

private:
    AppIcons& icons_;
    std::vector<apps::AppModelPtr> apps_;
};

}  // namespace orvane::app
