#pragma once

#include <QAbstractListModel>
#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/files/DuplicateFiles.h"

namespace orvane::app {

// The three category lists of the result screen. Each entry names one group of the scan.
enum class LeftLargeDataListStyle { bySize, byTime, byType };

struct LargeFilesCategory {
    const char* title;  // English key
    std::size_t group;  // index into LargeFilesManager::allFiles
};
const std::vector<LargeFilesCategory>& categoriesOf(LeftLargeDataListStyle style);

// One row per category of a list: its title, file count and total size, read live from the
// groups so a removal shows at once.
class LargeFilesCategoryModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { groupRole = Qt::UserRole + 1, countRole, sizeRole };

    explicit LargeFilesCategoryModel(LeftLargeDataListStyle style, QObject* parent = nullptr);
    void setGroups(std::vector<files::DuplicateFilesPtr> groups);
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    std::size_t groupAt(int row) const;

private:
    LeftLargeDataListStyle style_;
    std::vector<files::DuplicateFilesPtr> groups_;
};

enum class SortType { defaultSort, nameUp, nameDown, sizeUp, sizeDown, timeNew, timeOld };

using FileList = std::vector<std::shared_ptr<files::FileInfo>>;
// Stable: files of equal name length keep their order. Names are compared by how many
// characters they have, not alphabetically.
void sortFilesOfName(FileList& files, bool isUpSort);
void sortFilesOfSize(FileList& files, bool isUpSort);

// The files of the chosen category, with a check box each. Checking writes the record's own
// `selected`, so a file shown under several categories is checked in all of them.
class LargeFilesTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { nameColumn, pathColumn, dateColumn, sizeColumn, columnCount_ };

    explicit LargeFilesTableModel(QObject* parent = nullptr);
    void setFiles(FileList files);
    const FileList& files() const { return files_; }
    void sort(SortType type);
    SortType sortType() const { return sortType_; }
    // Checks or clears every file on show.
    void setAllChecked(bool checked);
    // Redraws after records changed outside the model (removal results).
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

Q_SIGNALS:
    void selectionChanged();

private:
    QIcon iconFor(const files::FileInfo& info) const;

    FileList files_;
    SortType sortType_ = SortType::defaultSort;
    mutable QHash<QString, QIcon> icons_;  // by lower-case extension
};

}  // namespace orvane::app
