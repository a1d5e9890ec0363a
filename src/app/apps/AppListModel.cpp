#include "app/apps/AppListModel.h"

#include <QColor>
#include <QFont>

#include "app/apps/AppIcons.h"
#include "app/common/Text.h"
#include "kit/DateFormat.h"

namespace orvane::app {

AppListModel::AppListModel(AppIcons& icons, QObject* parent)
    : QAbstractTableModel(parent), icons_(icons) {}

void AppListModel::setApps(std::vector<apps::AppModelPtr> apps) {
    beginResetModel();
    apps_ = std::move(apps);
    endResetModel();
}

apps::AppModelPtr AppListModel::appAt(int row) const {
    if (row < 0 || row >= static_cast<int>(apps_.size())) return nullptr;
    return apps_[static_cast<std::size_t>(row)];
}

int AppListModel::rowOf(const apps::AppModel* app) const {
    for (std::size_t i = 0; i < apps_.size(); ++i)
        if (apps_[i].get() == app) return static_cast<int>(i);
    return -1;
}

void AppListModel::appChanged(const apps::AppModel* app) {
    const int row = rowOf(app);
    if (row >= 0) Q_EMIT dataChanged(index(row, 0), index(row, columnCount_ - 1));
}

Qt::CheckState AppListModel::checkState(const apps::AppModel& app) {
    std::size_t selected = 0, total = 0;
    for (const apps::AppFilePtr& file : app.allSubFiles()) {
        ++total;
        if (file->selected) ++selected;
    }
    if (total == 0) return app.isSelected ? Qt::Checked : Qt::Unchecked;
    if (selected == 0) return Qt::Unchecked;
    return selected == total ? Qt::Checked : Qt::PartiallyChecked;
}

int AppListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(apps_.size());
}

int AppListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columnCount_;
}

QVariant AppListModel::data(const QModelIndex& index, int role) const {
    const apps::AppModelPtr app = appAt(index.row());
    if (!app) return {};
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case name: return displayPath(app->appName);
                case version: return displayPath(app->installedVersion);
                case size: return sizeText(app->totalSize());
                case lastUsed:
                    if (app->isResidual) return QString();
                    return app->timeInterval > 0 ? qs(kit::dateLocalizedStr(app->timeInterval))
                                                 : loc("Unknown");
            }
            break;
        case Qt::DecorationRole:
            if (index.column() == name)
                return app->isResidual ? icons_.icon("") : icons_.icon(app->iconName);
            break;
        case Qt::CheckStateRole:
            if (index.column() == name) return checkState(*app);
            break;
        case Qt::ToolTipRole: return displayPath(app->bundleID);
        case Qt::TextAlignmentRole:
            if (index.column() == size) return int(Qt::AlignRight | Qt::AlignVCenter);
            break;
        case Qt::ForegroundRole:
            if (index.column() != name) return QColor(0x5b, 0x67, 0x76);
            break;
        case Qt::UserRole: return QVariant::fromValue(static_cast<qulonglong>(app->totalSize()));
    }
    return {};
}

QVariant AppListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case name: return loc("Name");
        case version: return loc("Version");
        case size: return loc("Size");
        case lastUsed: return loc("Last Used");
    }
    return {};
}

Qt::ItemFlags AppListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == name) f |= Qt::ItemIsUserCheckable;
    return f;
}

bool AppListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != name) return false;
    const apps::AppModelPtr app = appAt(index.row());
    if (!app) return false;
    // A partly selected app is completed by a click, as a folder's box in a file manager is.
    const bool select = checkState(*app) != Qt::Checked &&
                        static_cast<Qt::CheckState>(value.toInt()) != Qt::Unchecked;
    app->setItemState(select);
    Q_EMIT dataChanged(index, index.siblingAtColumn(columnCount_ - 1));
    Q_EMIT selectionChanged();
    return true;
}

}  // namespace orvane::app
