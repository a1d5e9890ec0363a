#include "app/largefiles/LargeFilesResultViewController.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/common/UsageEvents.h"
#include "core/largefiles/LargeFilesManager.h"

namespace orvane::app {

namespace {
const QString kSegment = QStringLiteral(
    "QPushButton { outline: none; background: #eef2f7; color: #3b4757; border: 2px solid #eef2f7;"
    " padding: 4px 8px; font-size: 12px; border-radius: 6px; }"
    "QPushButton:checked { background: #2f7cf6; border-color: #2f7cf6; color: white; }"
    "QPushButton:focus { border-color: #2f7cf6; }"
    "QPushButton:checked:focus { border-color: #0b2f6b; }");
const QString kCategoryList = QStringLiteral(
    "QListView { background: #f7f9fc; border: none; font-size: 13px; }"
    "QListView::item { padding: 8px 10px; border-radius: 6px; color: #24303f; }"
    "QListView::item:selected { background: #dce8fd; color: #1d2733; }");
}  // namespace

LargeFilesResultViewController::LargeFilesResultViewController(
    largefiles::LargeFilesManager& manager, QWidget* parent)
    : QWidget(parent), manager_(manager) {
    setObjectName(QStringLiteral("largeFilesResult"));
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* left = new QWidget(this);
    left->setObjectName(QStringLiteral("largeFilesLeft"));
    left->setAttribute(Qt::WA_StyledBackground);
    left->setStyleSheet(QStringLiteral(
        "#largeFilesLeft { background: #f7f9fc; border-right: 1px solid #e3e8ef; }"));
    left->setFixedWidth(230);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(12, 16, 12, 12);
    auto* segments = new QHBoxLayout;
    segments->setSpacing(4);
    auto* group = new QButtonGroup(this);
    const char* segmentTitles[3] = {"Size", "Time", "Type"};
    for (int i = 0; i < 3; ++i) {
        const auto style = static_cast<LeftLargeDataListStyle>(i);
        categories_[i] = new LargeFilesCategoryModel(style, this);
        listButtons_[i] = new QPushButton(loc(segmentTitles[i]), left);
        listButtons_[i]->setCheckable(true);
        listButtons_[i]->setStyleSheet(kSegment);
        group->addButton(listButtons_[i], i);
        segments->addWidget(listButtons_[i]);
        connect(listButtons_[i], &QPushButton::clicked, this, [this, style] {
            static const char* const filters[3] = {"Size", "Date", "Type"};
            usage::operational(analytics::module::largeFile, analytics::action::filter,
                               {filters[static_cast<int>(style)]});
            showList(style);
        });
    }
    listButtons_[0]->setChecked(true);
    leftLayout->addLayout(segments);
    categoryView_ = new QListView(left);
    categoryView_->setObjectName(QStringLiteral("largeFileCategories"));
    categoryView_->setStyleSheet(kCategoryList);
    categoryView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    categoryView_->setModel(categories_[0]);
    leftLayout->addWidget(categoryView_, 1);
    auto* rescan = new QPushButton(loc("Scan Again"), left);
    rescan->setStyleSheet(styles::secondaryButton());
    leftLayout->addWidget(rescan);
    connect(rescan, &QPushButton::clicked, this, [this] {
        if (onRescan) onRescan();
    });
    outer->addWidget(left);

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(18, 16, 18, 14);
    auto* header = new QHBoxLayout;
    categoryTitle_ = new QLabel(right);
    categoryTitle_->setObjectName(QStringLiteral("categoryTitle"));
    categoryTitle_->setStyleSheet(styles::title());
    header->addWidget(categoryTitle_);
    header->addStretch(1);
    header->addWidget(new QLabel(loc("Sort by"), right));
    nameSort_ = new QPushButton(loc("Name"), right);
    sizeSort_ = new QPushButton(loc("Size"), right);
    for (auto* b : {nameSort_, sizeSort_}) {
        b->setStyleSheet(styles::secondaryButton());
        header->addWidget(b);
    }
    connect(nameSort_, &QPushButton::clicked, this, &LargeFilesResultViewController::sortByName);
    connect(sizeSort_, &QPushButton::clicked, this, &LargeFilesResultViewController::sortBySize);
    rightLayout->addLayout(header);
    skipped_ = new QLabel(right);
    skipped_->setObjectName(QStringLiteral("skippedEntries"));
    skipped_->setWordWrap(true);
    skipped_->setStyleSheet(
        QStringLiteral("background: #fff8e6; color: #7a5a12; font-size: 12px; padding: 6px 10px;"
                       " border: 1px solid #f0e2bd; border-radius: 6px;"));
    skipped_->hide();
    rightLayout->addWidget(skipped_);

    files_ = new LargeFilesTableModel(this);
    fileView_ = new QTreeView(right);
    fileView_->setObjectName(QStringLiteral("largeFileList"));
    fileView_->setRootIsDecorated(false);
    fileView_->setUniformRowHeights(true);
    fileView_->setAlternatingRowColors(true);
    fileView_->setModel(files_);
    // Name and path share what the date and size leave, so every column stays on screen at the
    // window's smallest size; long paths lose their middle, as in the duplicate list, and keep
    // the folder they start from and the file they end in.
    fileView_->setTextElideMode(Qt::ElideMiddle);
    fileView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QHeaderView* columns = fileView_->header();
    columns->setStretchLastSection(false);
    columns->setMinimumSectionSize(60);
    columns->setSectionResizeMode(LargeFilesTableModel::nameColumn, QHeaderView::Stretch);
    columns->setSectionResizeMode(LargeFilesTableModel::pathColumn, QHeaderView::Stretch);
    columns->setSectionResizeMode(LargeFilesTableModel::dateColumn, QHeaderView::ResizeToContents);
    columns->setSectionResizeMode(LargeFilesTableModel::sizeColumn, QHeaderView::ResizeToContents);
    rightLayout->addWidget(fileView_, 1);
    empty_ = new QLabel(loc("No large files in this category."), right);
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setStyleSheet(styles::subtitle());
    empty_->hide();
    rightLayout->addWidget(empty_, 1);

    auto* footer = new QHBoxLayout;
    selectAll_ = new QPushButton(loc("Select All"), right);
    selectAll_->setStyleSheet(styles::linkButton());
    auto* deselect = new QPushButton(loc("Deselect All"), right);
    deselect->setStyleSheet(styles::linkButton());
    footer->addWidget(selectAll_);
    footer->addWidget(deselect);
    selection_ = new QLabel(right);
    selection_->setObjectName(QStringLiteral("selectionTotals"));
    selection_->setStyleSheet(styles::subtitle());
    footer->addStretch(1);
    footer->addWidget(selection_);
    remove_ = new QPushButton(loc("Remove"), right);
    remove_->setObjectName(QStringLiteral("removeButton"));
    remove_->setStyleSheet(styles::primaryButton());
    footer->addWidget(remove_);
    rightLayout->addLayout(footer);
    outer->addWidget(right, 1);

    connect(selectAll_, &QPushButton::clicked, this, [this] { files_->setAllChecked(true); });
    connect(deselect, &QPushButton::clicked, this, [this] {
        // Clears the whole selection, not only this category: what the button says.
        for (const auto& info : manager_.selectedFiles()) info->selected = false;
        files_->refresh();
        updateSelection();
    });
    connect(remove_, &QPushButton::clicked, this, [this] {
        if (onRemove) onRemove();
    });
    connect(files_, &LargeFilesTableModel::selectionChanged, this,
            &LargeFilesResultViewController::updateSelection);
    updateSelection();
}

LargeFilesCategoryModel* LargeFilesResultViewController::categoryModel() const {
    return categories_[static_cast<int>(style_)];
}

QPushButton* LargeFilesResultViewController::listButton(LeftLargeDataListStyle style) const {
    return listButtons_[static_cast<int>(style)];
}

void LargeFilesResultViewController::reload() {
    for (auto* model : categories_) model->setGroups(manager_.allFiles);
    const QString skipped = QString::fromStdString(manager_.skippedEntries().sentence());
    skipped_->setText(skipped);
    skipped_->setVisible(!skipped.isEmpty());
    showList(style_);
    chooseCategory(row_);
}

void LargeFilesResultViewController::showList(LeftLargeDataListStyle style) {
    if (style != style_) row_ = 0;
    style_ = style;
    listButtons_[static_cast<int>(style)]->setChecked(true);
    auto* model = categories_[static_cast<int>(style)];
    if (categoryView_->model() != model) {
        categoryView_->setModel(model);
        connect(categoryView_->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex& current) {
                    if (current.isValid() && current.row() != row_) chooseCategory(current.row());
                });
    }
    chooseCategory(row_);
}

void LargeFilesResultViewController::chooseCategory(int row) {
    auto* model = categoryModel();
    if (row < 0 || row >= model->rowCount()) row = 0;
    row_ = row;
    group_ = model->groupAt(row);
    categoryView_->setCurrentIndex(model->index(row));
    categoryTitle_->setText(loc(categoriesOf(style_)[row].title));
    FileList files;
    if (group_ < manager_.allFiles.size()) files = manager_.allFiles[group_]->infos();
    files_->setFiles(std::move(files));
    fileView_->setVisible(files_->rowCount() > 0);
    empty_->setVisible(files_->rowCount() == 0);
    updateSelection();
}

void LargeFilesResultViewController::sortByName() {
    nameUp_ = !nameUp_;
    files_->sort(nameUp_ ? SortType::nameUp : SortType::nameDown);
    nameSort_->setText(loc("Name") + (nameUp_ ? QStringLiteral(" ↑") : QStringLiteral(" ↓")));
    sizeSort_->setText(loc("Size"));
}

void LargeFilesResultViewController::sortBySize() {
    sizeUp_ = !sizeUp_;
    files_->sort(sizeUp_ ? SortType::sizeUp : SortType::sizeDown);
    sizeSort_->setText(loc("Size") + (sizeUp_ ? QStringLiteral(" ↑") : QStringLiteral(" ↓")));
    nameSort_->setText(loc("Name"));
}

void LargeFilesResultViewController::updateSelection() {
    const auto selected = manager_.selectedFiles();
    std::uint64_t size = 0;
    for (const auto& info : selected) size += info->size();
    selection_->setText(
        selected.empty()
            ? loc("No files selected")
            : locFormat("Selected: %@, %@",
                        {quantity(static_cast<long long>(selected.size()), "file", "files"),
                         sizeText(size)}));
    remove_->setEnabled(!selected.empty());
    for (auto* model : categories_) model->refresh();
}

}  // namespace orvane::app
