#include "app/largefiles/LargeFilesModels.h"

#include <QColor>
#include <QDateTime>
#include <QFileIconProvider>
#include <QFileInfo>

#include <algorithm>

#include "app/common/Text.h"
#include "core/largefiles/FileTimeInfo.h"
#include "core/largefiles/LargeFileGroups.h"
#include "kit/DateFormat.h"
#include "kit/Paths.h"

namespace orvane::app {

using namespace orvane::largefiles;

const std::vector<LargeFilesCategory>& categoriesOf(LeftLargeDataListStyle style) {
    // The titles are the groups' own, so the screens and the command line agree.
    auto list = [](std::initializer_list<std::size_t> groups) {
        std::vector<LargeFilesCategory> out;
        for (std::size_t g : groups) out.push_back({groupTitle(g), g});
        return out;
    };
    static const std::vector<LargeFilesCategory> bySize =
        list({allLargeFiles, above5G, oneGBToFiveGB, fiveHundredMBToOneGB, tenMBToFiveHundredMB});
    static const std::vector<LargeFilesCategory> byTime =
        list({allLargeFiles, largeFilesTypeYear, largeFilesTypeMonth, largeFilesTypeWeek,
              largeFilesTypeDay, largeFilesTypeToday});
    static const std::vector<LargeFilesCategory> byType =
        list({allLargeFiles, documentGroup, pictureGroup, audioGroup, videoGroup, otherGroup});
    switch (style) {
        case LeftLargeDataListStyle::bySize: return bySize;
        case LeftLargeDataListStyle::byTime: return byTime;
        case LeftLargeDataListStyle::byType: return byType;
    }
    return bySize;
}

LargeFilesCategoryModel::LargeFilesCategoryModel(LeftLargeDataListStyle style, QObject* parent)
    : QAbstractListModel(parent), style_(style) {}

void LargeFilesCategoryModel::setGroups(std::vector<files::DuplicateFilesPtr> groups) {
    beginResetModel();
    groups_ = std::move(groups);
    endResetModel();
}

void LargeFilesCategoryModel::refresh() {
    if (rowCount() > 0) Q_EMIT dataChanged(index(0), index(rowCount() - 1));
}

int LargeFilesCategoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(categoriesOf(style_).size());
}

std::size_t LargeFilesCategoryModel::groupAt(int row) const {
    const auto& list = categoriesOf(style_);
    return row >= 0 && row < static_cast<int>(list.size()) ? list[row].group : allLargeFiles;
}

QVariant LargeFilesCategoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const auto& category = categoriesOf(style_)[index.row()];
    const auto group = category.group < groups_.size() ? groups_[category.group] : nullptr;
    const long long count = group ? static_cast<long long>(group->count()) : 0;
    const std::uint64_t size = group ? group->totalSize : 0;
    switch (role) {
        case Qt::DisplayRole:
            return QStringLiteral("%1\n%2 · %3")
                .arg(loc(category.title), countText(count), sizeText(size));
        case groupRole: return static_cast<qulonglong>(category.group);
        case countRole: return count;
        case sizeRole: return static_cast<qulonglong>(size);
        case Qt::ToolTipRole: return loc(category.title);
        default: return {};
    }
}

namespace {
std::size_t nameLength(const files::FileInfo& info) {
    // Characters, not bytes: a name in Cyrillic is as long as it looks.
    return static_cast<std::size_t>(QString::fromUtf8(kit::directoryName(info.path())).size());
}
}  // namespace

void sortFilesOfName(FileList& files, bool isUpSort) {
    std::stable_sort(files.begin(), files.end(), [isUpSort](const auto& a, const auto& b) {
        const auto la = nameLength(*a), lb = nameLength(*b);
        return isUpSort ? la < lb : la > lb;
    });
}

void sortFilesOfSize(FileList& files, bool isUpSort) {
    std::stable_sort(files.begin(), files.end(), [isUpSort](const auto& a, const auto& b) {
        return isUpSort ? a->size() < b->size() : a->size() > b->size();
    });
}

LargeFilesTableModel::LargeFilesTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void LargeFilesTableModel::setFiles(FileList files) {
    beginResetModel();
    files_ = std::move(files);
    endResetModel();
    if (sortType_ != SortType::defaultSort) sort(sortType_);
}

void LargeFilesTableModel::sort(SortType type) {
    sortType_ = type;
    beginResetModel();
    switch (type) {
        case SortType::nameUp: sortFilesOfName(files_, true); break;
        case SortType::nameDown: sortFilesOfName(files_, false); break;
        case SortType::sizeUp: sortFilesOfSize(files_, true); break;
        case SortType::sizeDown: sortFilesOfSize(files_, false); break;
        default: break;
    }
    endResetModel();
}

void LargeFilesTableModel::setAllChecked(bool checked) {
    for (const auto& info : files_) info->selected = checked;
    refresh();
    Q_EMIT selectionChanged();
}

void LargeFilesTableModel::refresh() {
    if (!files_.empty()) Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount_ - 1));
}

int LargeFilesTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(files_.size());
}

int LargeFilesTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columnCount_;
}

QIcon LargeFilesTableModel::iconFor(const files::FileInfo& info) const {
    // One icon per extension, asked once: drawing a long list then touches no file.
    const QString ext = QString::fromUtf8(std::string(kit::pathExtension(info.path()))).toLower();
    auto it = icons_.find(ext);
    if (it != icons_.end()) return *it;
    static QFileIconProvider provider;
    QIcon icon = provider.icon(QFileInfo(QString::fromStdString(info.path())));
    if (icon.isNull()) icon = provider.icon(QFileIconProvider::File);
    icons_.insert(ext, icon);
    return icon;
}

QVariant LargeFilesTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const auto& info = *files_[index.row()];
    const auto& timed = timeInfo(info);
    const bool failed = info.removeError.has_value();
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case nameColumn: return displayPath(kit::directoryName(info.path()));
                case pathColumn: return displayPath(info.path());
                case dateColumn:
                    return QString::fromStdString(
                        kit::dateStr(static_cast<double>(timed.creationTime())));
                case sizeColumn: return sizeText(info.size());
            }
            break;
        case Qt::CheckStateRole:
            if (index.column() == nameColumn) return info.selected ? Qt::Checked : Qt::Unchecked;
            break;
        case Qt::DecorationRole:
            if (index.column() == nameColumn) return iconFor(info);
            break;
        case Qt::ForegroundRole:
            if (failed) return QColor(0xc6, 0x28, 0x28);
            break;
        case Qt::ToolTipRole:
            if (failed) return qs(info.removeError->description);
            return displayPath(info.path());
        case Qt::TextAlignmentRole:
            if (index.column() == sizeColumn) return int(Qt::AlignRight | Qt::AlignVCenter);
            break;
        default: break;
    }
    return {};
}

QVariant LargeFilesTableModel::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case nameColumn: return loc("Name");
        case pathColumn: return loc("Path");
        case dateColumn: return loc("Creation Date");
        case sizeColumn: return loc("Size");
    }
    return {};
}

Qt::ItemFlags LargeFilesTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == nameColumn) f |= Qt::ItemIsUserCheckable;
    return f;
}

bool LargeFilesTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::CheckStateRole || index.column() != nameColumn)
        return false;
    files_[index.row()]->selected = value.toInt() == Qt::Checked;
    Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
    Q_EMIT selectionChanged();
    return true;
}

}  // namespace orvane::app
