#pragma once

#include <QAbstractItemModel>

#include <functional>
#include <vector>

#include "core/duplicates/DuplicateSelection.h"
#include "core/files/DuplicateFiles.h"

namespace orvane::app {

// The groups on show as one flat list: a header row per group followed by a row per copy.
// Flat rows of one height let the view scroll a hundred thousand groups without building
// anything per row; a row is worked out from its number only when it is painted.
class DuplicateResultModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { nameColumn, sizeColumn, locationColumn, columnCount_ };
    enum Role { groupIndexRole = Qt::UserRole + 1, fileIndexRole, isGroupRole, pathRole };

    explicit DuplicateResultModel(QObject* parent = nullptr);

    // Replaces the groups on show (already in their display order).
    void setGroups(std::vector<files::DuplicateFilesPtr> groups);
    const std::vector<files::DuplicateFilesPtr>& groups() const { return groups_; }
    // Redraws every check box and size after a selection change made elsewhere.
    void refreshChecks();
    // Redraws one group's rows.
    void groupChanged(int group);

    // Group and member of a row; member -1 for a group's header row.
    std::pair<int, int> locate(int row) const;
    int rowOfGroup(int group) const;
    files::FileInfo* fileAt(int row) const;

    // Asked before a check leaves every copy of a group selected; the callee applies or undoes.
    // Set by the screen; without it such checks simply apply.
    // `before` is the group's selection before the check, to put back on a no.
    std::function<void(int group, const duplicates::GroupSelectionSnapshot& before)>
        everyCopyChecked;
    // After any check change made through the view.
    std::function<void()> selectionChanged;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void rebuildRows();

    std::vector<files::DuplicateFilesPtr> groups_;
    // First row of each group; one extra entry holds the total row count.
    std::vector<int> rowStart_;
};

}  // namespace orvane::app
