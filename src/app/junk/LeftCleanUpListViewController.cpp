#include "app/junk/LeftCleanUpListViewController.h"

#include <QComboBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/common/Text.h"
#include "app/junk/CleanUpResultNewViewController.h"
#include "app/junk/JunkSort.h"
#include "app/junk/QtCheckState.h"

namespace orvane::app {

LeftCleanUpListViewController::LeftCleanUpListViewController(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    sortPopButton = new QComboBox(this);
    sortPopButton->setObjectName(QStringLiteral("junkLeftSort"));
    sortPopButton->addItems(
        {loc("Default Sort"), loc("Sort Smallest to Largest"), loc("Sort Largest to Smallest")});
    layout->addWidget(sortPopButton);
    tableView = new QTableWidget(0, 2, this);
    tableView->setObjectName(QStringLiteral("junkCategoryList"));
    tableView->horizontalHeader()->hide();
    tableView->verticalHeader()->hide();
    tableView->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    tableView->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableView->setShowGrid(false);
    tableView->setStyleSheet(
        // The selection colours, not an ::item:selected rule: such a rule draws the chosen row
        // with its own box model, which moves its check box and name off the others' line.
        QStringLiteral("QTableWidget { border: none; background: #f6f8fb; font-size: 13px;"
                       " selection-background-color: #dce8fd; selection-color: #1d2733; }"));
    layout->addWidget(tableView, 1);

    connect(tableView, &QTableWidget::itemChanged, this,
            &LeftCleanUpListViewController::checkBoxAction);
    connect(tableView, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previous, int) {
                if (!filling_ && row >= 0 && row != previous) Q_EMIT categoryChosen(row);
            });
    connect(sortPopButton, &QComboBox::currentIndexChanged, this,
            &LeftCleanUpListViewController::sortChanged);
}

void LeftCleanUpListViewController::sortChanged(int index) {
    sortType_ = sortTypeForIndex(index);
    const junk::JunkCategoryPtr shown =
        selectedRow() >= 0 && selectedRow() < static_cast<int>(categories.size())
            ? categories[static_cast<std::size_t>(selectedRow())]
            : nullptr;
    reloadData();
    for (std::size_t i = 0; i < categories.size(); ++i)
        if (categories[i] == shown) selectRow(static_cast<int>(i));
}

void LeftCleanUpListViewController::reloadData() {
    // Default order: the kinds in scan order; by size when asked, stably.
    std::stable_sort(categories.begin(), categories.end(), [](const auto& a, const auto& b) {
        return a->model->junkType < b->model->junkType;
    });
    if (sortType_ != junk::CleanUpItemSortType::normal)
        std::stable_sort(
            categories.begin(), categories.end(), [this](const auto& a, const auto& b) {
                return sortType_ == junk::CleanUpItemSortType::sizeAsc ? a->size() < b->size()
                                                                       : a->size() > b->size();
            });
    filling_ = true;
    const int current = selectedRow();
    tableView->setRowCount(static_cast<int>(categories.size()));
    for (std::size_t i = 0; i < categories.size(); ++i) {
        // A kind without items has nothing to tick.
        if (itemsOf(*categories[i]).empty()) categories[i]->setItemState(false);
        auto* name = new QTableWidgetItem(loc(categories[i]->name));
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        name->setData(Qt::UserRole, static_cast<int>(i));
        tableView->setItem(static_cast<int>(i), 0, name);
        auto* size = new QTableWidgetItem;
        size->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        tableView->setItem(static_cast<int>(i), 1, size);
    }
    filling_ = false;
    for (std::size_t i = 0; i < categories.size(); ++i) reloadRow(static_cast<int>(i));
    if (current >= 0 && current < tableView->rowCount()) selectRow(current);
}

void LeftCleanUpListViewController::reloadRow(int row) {
    if (row < 0 || row >= static_cast<int>(categories.size())) return;
    const auto& category = categories[static_cast<std::size_t>(row)];
    filling_ = true;
    if (auto* name = tableView->item(row, 0))
        name->setCheckState(qtState(stateOf(itemsOf(*category))));
    if (auto* size = tableView->item(row, 1))
        size->setText(sizeText(static_cast<std::uint64_t>(category->size())));
    filling_ = false;
}

int LeftCleanUpListViewController::selectedRow() const { return tableView->currentRow(); }

void LeftCleanUpListViewController::selectRow(int row) {
    filling_ = true;
    tableView->setCurrentCell(row, 0);
    filling_ = false;
}

void LeftCleanUpListViewController::checkBoxAction(QTableWidgetItem* cell) {
    if (filling_ || !cell || cell->column() != 0) return;
    const int row = cell->row();
    if (row < 0 || row >= static_cast<int>(categories.size())) return;
    // On selects every item of the kind; anything else clears them.
    categories[static_cast<std::size_t>(row)]->setItemState(cell->checkState() == Qt::Checked);
    reloadRow(row);
    if (delegate) delegate->leftListDidToggle(row);
}

}  // namespace orvane::app
