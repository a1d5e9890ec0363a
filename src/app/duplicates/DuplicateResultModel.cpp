#include "app/duplicates/DuplicateResultModel.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include <algorithm>

#include "app/common/Text.h"
#include "core/duplicates/DuplicateSelection.h"
#include "kit/Paths.h"

namespace orvane::app {

using duplicates::DuplicateSelection;
using files::SelectState;

DuplicateResultModel::DuplicateResultModel(QObject* parent) : QAbstractItemModel(parent) {
    rowStart_.push_back(0);
}

void DuplicateResultModel::setGroups(std::vector<files::DuplicateFilesPtr> groups) {
    beginResetModel();
    groups_ = std::move(groups);
    rebuildRows();
    endResetModel();
}

void DuplicateResultModel::rebuildRows() {
    rowStart_.clear();
    rowStart_.reserve(groups_.size() + 1);
    int row = 0;
    for (const auto& group : groups_) {
        rowStart_.push_back(row);
        row += 1 + static_cast<int>(group->count());
    }
    rowStart_.push_back(row);
}

void DuplicateResultModel::refreshChecks() {
    if (rowCount() == 0) return;
    Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount_ - 1),
                       {Qt::CheckStateRole, Qt::DisplayRole});
}

std::pair<int, int> DuplicateResultModel::locate(int row) const {
    if (row < 0 || row >= rowStart_.back()) return {-1, -1};
    auto it = std::upper_bound(rowStart_.begin(), rowStart_.end() - 1, row);
    const int group = static_cast<int>(it - rowStart_.begin()) - 1;
    return {group, row - rowStart_[group] - 1};
}

int DuplicateResultModel::rowOfGroup(int group) const {
    if (group < 0 || group >= static_cast<int>(groups_.size())) return -1;
    return rowStart_[group];
}

files::FileInfo* DuplicateResultModel::fileAt(int row) const {
    auto [group, member] = locate(row);
    if (group < 0 || member < 0) return nullptr;
    const auto& infos = groups_[group]->infos();
    return member < static_cast<int>(infos.size()) ? infos[member].get() : nullptr;
}

QModelIndex DuplicateResultModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= columnCount_)
        return {};
    return createIndex(row, column);
}

int DuplicateResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rowStart_.back();
}

int DuplicateResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columnCount_;
}

QVariant DuplicateResultModel::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case nameColumn: return loc("Name");
        case sizeColumn: return loc("Size");
        case locationColumn: return loc("Location");
        default: return {};
    }
}

Qt::ItemFlags DuplicateResultModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == nameColumn) f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant DuplicateResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    auto [g, member] = locate(index.row());
    if (g < 0) return {};
    const files::DuplicateFiles& group = *groups_[g];
    switch (role) {
        case groupIndexRole: return g;
        case fileIndexRole: return member;
        case isGroupRole: return member < 0;
        default: break;
    }
    if (member < 0) {
        switch (role) {
            case Qt::DisplayRole:
                if (index.column() == nameColumn)
                    return group.count() ? displayPath(group.infos().front()->resourceValue.name())
                                         : QString();
                if (index.column() == sizeColumn) return sizeText(group.totalSize);
                if (index.column() == locationColumn) {
                    if (group.uiSelectedSize > 0)
                        return locFormat("%@ selected", {sizeText(group.uiSelectedSize)});
                    return quantity(static_cast<long long>(group.count()), "copy", "copies");
                }
                return {};
            case Qt::CheckStateRole:
                if (index.column() != nameColumn) return {};
                return group.selectState == SelectState::on      ? Qt::Checked
                       : group.selectState == SelectState::mixed ? Qt::PartiallyChecked
                                                                 : Qt::Unchecked;
            case Qt::FontRole: {
                QFont f;
                f.setBold(true);
                return f;
            }
            case Qt::BackgroundRole: return QBrush(QColor(0xf3, 0xf6, 0xfa));
            case Qt::ForegroundRole:
                return index.column() == locationColumn ? QBrush(QColor(0x2f, 0x7c, 0xf6))
                                                        : QVariant();
            default: return {};
        }
    }
    if (member >= static_cast<int>(group.count())) return {};
    const files::FileInfo& file = *group.infos()[member];
    switch (role) {
        case Qt::DisplayRole:
            if (index.column() == nameColumn) return displayPath(file.resourceValue.name());
            if (index.column() == sizeColumn) return sizeText(file.size());
            if (index.column() == locationColumn) return displayPath(kit::parentPath(file.path()));
            return {};
        case Qt::ToolTipRole: {
            QString tip = displayPath(file.path());
            if (file.removeError) tip += QStringLiteral("\n") + qs(file.removeError->description);
            return tip;
        }
        case Qt::CheckStateRole:
            if (index.column() != nameColumn) return {};
            return file.selected ? Qt::Checked : Qt::Unchecked;
        case Qt::ForegroundRole:
            if (file.removeError) return QBrush(QColor(0xc2, 0x46, 0x3b));
            return index.column() == nameColumn ? QVariant() : QBrush(QColor(0x6b, 0x77, 0x85));
        case pathRole: return QByteArray::fromStdString(file.path());
        default: return {};
    }
}

bool DuplicateResultModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != nameColumn)
        return false;
    auto [g, member] = locate(index.row());
    if (g < 0) return false;
    files::DuplicateFiles& group = *groups_[g];
    const auto before = DuplicateSelection::capture(group);
    if (member < 0) {
        // A click on a mixed box checks the whole group, as file browsers do.
        const bool on = group.selectState != SelectState::on;
        (void)value;
        DuplicateSelection::setGroupChecked(group, on);
    } else {
        const bool want = value.toInt() == Qt::Checked;
        if (group.infos()[member]->selected == want) return false;
        DuplicateSelection::toggleFile(group, static_cast<std::size_t>(member));
    }
    groupChanged(g);
    const bool allNow = DuplicateSelection::everyCopySelected(group);
    const bool allBefore =
        std::all_of(before.selected.begin(), before.selected.end(), [](bool b) { return b; });
    if (allNow && !allBefore && everyCopyChecked) everyCopyChecked(g, before);
    if (selectionChanged) selectionChanged();
    return true;
}

void DuplicateResultModel::groupChanged(int group) {
    const int first = rowStart_[group];
    const int last = rowStart_[group + 1] - 1;
    Q_EMIT dataChanged(index(first, 0), index(last, columnCount_ - 1),
                       {Qt::CheckStateRole, Qt::DisplayRole});
}

}  // namespace orvane::app
