#include "app/duplicates/DuplicateResultView.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/common/Alerts.h"
#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/common/UsageEvents.h"
#include "app/duplicates/DuplicateResultModel.h"
#include "app/duplicates/FilePreviewView.h"
#include "core/settings/UserDefaults.h"
#include "kit/Paths.h"

namespace orvane::app {

using duplicates::DuplicateSelection;
using duplicates::GroupSortOrder;
using files::RemoveType;

namespace {

QString sortName(GroupSortOrder order) {
    switch (order) {
        case GroupSortOrder::size: return loc("Sort by Size");
        case GroupSortOrder::name: return loc("Name");
        case GroupSortOrder::quantity: return loc("Sort by Quantity");
    }
    return {};
}

QToolButton* menuButton(const QString& text, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setPopupMode(QToolButton::InstantPopup);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setStyleSheet(
        QStringLiteral("QToolButton { outline: none; border: 1px solid #c8d1dc; border-radius: "
                       "13px; padding: 4px 14px;"
                       " background: #ffffff; color: #24303f; font-size: 13px; }"
                       "QToolButton:hover { background: #f0f4f9; }"
                       "QToolButton:focus { border: 2px solid #2f7cf6; padding: 3px 13px; }"
                       "QToolButton::menu-indicator { image: none; }"));
    return b;
}

}  // namespace

QString DuplicateResultView::categoryName(int category) {
    static const char* names[] = {"All", "Video", "Audio", "Picture", "Document", "Other"};
    return category >= 0 && category < categoryCount ? loc(names[category]) : QString();
}

DuplicateResultView::DuplicateResultView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("duplicateResult"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Header: back, summary, sort and select menus.
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("resultHeader"));
    header->setAttribute(Qt::WA_StyledBackground);
    header->setStyleSheet(QStringLiteral("#resultHeader { border-bottom: 1px solid #e3e8ef; }"));
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(12, 10, 16, 10);
    back_ = new QPushButton(QStringLiteral("‹ ") + loc("Back"), header);
    back_->setObjectName(QStringLiteral("backButton"));
    back_->setStyleSheet(styles::linkButton());
    headerLayout->addWidget(back_);
    summary_ = new QLabel(header);
    summary_->setObjectName(QStringLiteral("resultSummary"));
    summary_->setStyleSheet(QStringLiteral("color: #24303f; font-size: 15px; font-weight: 600;"));
    headerLayout->addWidget(summary_, 1);
    sort_ = menuButton(sortName(order_) + QStringLiteral(" ▾"), header);
    sort_->setObjectName(QStringLiteral("sortButton"));
    sort_->setToolTip(loc("Sort by"));
    auto* sortMenu = new QMenu(sort_);
    for (GroupSortOrder order :
         {GroupSortOrder::size, GroupSortOrder::name, GroupSortOrder::quantity})
        sortMenu->addAction(sortName(order), this, [this, order] {
            const char* label = order == GroupSortOrder::name       ? "FileName"
                                : order == GroupSortOrder::quantity ? "amount"
                                                                    : "Size";
            usage::operational(usage::moduleFor(cur), analytics::action::sort, {label});
            setSortOrder(order);
        });
    sort_->setMenu(sortMenu);
    headerLayout->addWidget(sort_);
    select_ = menuButton(loc("Select") + QStringLiteral(" ▾"), header);
    select_->setObjectName(QStringLiteral("selectButton"));
    auto* selectMenu = new QMenu(select_);
    selectMenu->addAction(loc("Auto select"), this, &DuplicateResultView::autoSelect);
    selectMenu->addAction(loc("Select New"), this,
                          [this] { selectKeeping(duplicates::KeepRule::oldest); });
    selectMenu->addAction(loc("Select Old"), this,
                          [this] { selectKeeping(duplicates::KeepRule::newest); });
    selectMenu->addAction(loc("Deselect All"), this, &DuplicateResultView::deselectAll);
    select_->setMenu(selectMenu);
    headerLayout->addWidget(select_);
    outer->addWidget(header);
    skipped_ = new QLabel(this);
    skipped_->setObjectName(QStringLiteral("skippedEntries"));
    skipped_->setWordWrap(true);
    skipped_->setStyleSheet(
        QStringLiteral("background: #fff8e6; color: #7a5a12; font-size: 12px; padding: 6px 16px;"
                       " border-bottom: 1px solid #f0e2bd;"));
    skipped_->hide();
    outer->addWidget(skipped_);

    auto* body = new QHBoxLayout;
    body->setSpacing(0);
    categories_ = new QListWidget(this);
    categories_->setObjectName(QStringLiteral("categoryList"));
    categories_->setFixedWidth(176);
    categories_->setFrameShape(QFrame::NoFrame);
    categories_->setStyleSheet(QStringLiteral(
        "QListWidget { background: #f7f9fc; border-right: 1px solid #e3e8ef; outline: 0; }"
        "QListWidget::item { padding: 8px 12px; color: #24303f; border-radius: 6px; margin: 2px "
        "6px; }"
        "QListWidget::item:selected { background: #d4e3f6; color: #1d2733; }"));
    for (int i = 0; i < categoryCount; ++i) categories_->addItem(categoryName(i));
    body->addWidget(categories_);

    model_ = new DuplicateResultModel(this);
    table_ = new QTreeView(this);
    table_->setObjectName(QStringLiteral("groupTable"));
    table_->setModel(model_);
    table_->setRootIsDecorated(false);
    table_->setUniformRowHeights(true);
    table_->setItemsExpandable(false);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setFrameShape(QFrame::NoFrame);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->header()->setStretchLastSection(false);
    table_->header()->setSectionResizeMode(DuplicateResultModel::nameColumn, QHeaderView::Stretch);
    table_->header()->setSectionResizeMode(DuplicateResultModel::sizeColumn, QHeaderView::Fixed);
    table_->header()->resizeSection(DuplicateResultModel::sizeColumn, 84);
    table_->header()->setSectionResizeMode(DuplicateResultModel::locationColumn,
                                           QHeaderView::Stretch);
    table_->setStyleSheet(
        QStringLiteral("QTreeView { font-size: 13px; }"
                       "QTreeView::item { padding: 5px 2px; }"
                       "QTreeView::item:selected { background: #d4e3f6; color: #1d2733; }"
                       "QHeaderView::section { background: #ffffff; border: none; border-bottom: "
                       "1px solid #e3e8ef;"
                       " padding: 6px 4px; color: #6b7785; font-size: 12px; }"));
    table_->setTextElideMode(Qt::ElideMiddle);
    emptyCategory_ = new QLabel(loc("No duplicates of this kind."), this);
    emptyCategory_->setAlignment(Qt::AlignCenter);
    emptyCategory_->setStyleSheet(QStringLiteral("color: #8792a0; font-size: 14px;"));
    tableStack_ = new QStackedWidget(this);
    tableStack_->addWidget(table_);
    tableStack_->addWidget(emptyCategory_);
    body->addWidget(tableStack_, 1);
    preview_ = new FilePreviewView(this);
    body->addWidget(preview_);
    outer->addLayout(body, 1);

    auto* footer = new QWidget(this);
    footer->setObjectName(QStringLiteral("resultFooter"));
    footer->setAttribute(Qt::WA_StyledBackground);
    footer->setStyleSheet(QStringLiteral("#resultFooter { border-top: 1px solid #e3e8ef; }"));
    auto* footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(16, 10, 16, 10);
    totals_ = new QLabel(footer);
    totals_->setObjectName(QStringLiteral("selectionTotals"));
    totals_->setStyleSheet(QStringLiteral("color: #24303f; font-size: 13px;"));
    footerLayout->addWidget(totals_, 1);
    remove_ = new QToolButton(footer);
    remove_->setObjectName(QStringLiteral("removeButton"));
    remove_->setText(loc("Remove") + QStringLiteral("  ▾"));
    remove_->setPopupMode(QToolButton::InstantPopup);
    remove_->setStyleSheet(QStringLiteral(
        "QToolButton { outline: none; background: #2f7cf6; color: white; border: 2px solid #2f7cf6;"
        " border-radius: 16px; padding: 5px 24px; font-size: 14px; font-weight: 600; }"
        "QToolButton:hover { background: #2468d8; border-color: #2468d8; }"
        "QToolButton:focus { border-color: #0b2f6b; }"
        "QToolButton:disabled { background: #b8cdee; border-color: #b8cdee; color: #eef3fb; }"
        "QToolButton::menu-indicator { image: none; }"));
    removeMenu_ = new QMenu(remove_);
    remove_->setMenu(removeMenu_);
    connect(removeMenu_, &QMenu::aboutToShow, this, &DuplicateResultView::rebuildRemoveMenu);
    rebuildRemoveMenu();
    footerLayout->addWidget(remove_);
    outer->addWidget(footer);

    connect(categories_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row != category_) showCategory(row);
    });
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                showPreviewForRow(current.isValid() ? current.row() : -1);
            });
    connect(table_, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        if (auto* file = model_->fileAt(index.row())) FilePreviewView::reveal(this, file->path());
    });
    connect(table_, &QTreeView::customContextMenuRequested, this,
            &DuplicateResultView::showRowMenu);
    model_->selectionChanged = [this] { refreshTotals(); };
    model_->everyCopyChecked = [this](int group, const duplicates::GroupSelectionSnapshot& before) {
        confirmEveryCopy(group, before);
    };
}

void DuplicateResultView::setCategories(std::array<Category, categoryCount> categories) {
    categoriesData_ = std::move(categories);
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    for (const auto& g : categoriesData_[all].groups) {
        if (g->count() < 2) continue;
        files += g->count();
        bytes += g->totalSize;
    }
    // The total counts the copies that will stay; what a clean-up can give back is less.
    summary_->setText(
        locFormat("%@, %@ in total, %@ reclaimable",
                  {quantity(static_cast<long long>(files), "duplicate file", "duplicate files"),
                   sizeText(bytes),
                   sizeText(DuplicateSelection::reclaimableSize(categoriesData_[all].groups))}));
    summary_->setToolTip(
        loc("Reclaimable: what removing every copy but one of each group gives "
            "back."));
    category_ = -1;
    showCategory(all);
}

void DuplicateResultView::showCategory(int category) {
    if (category < 0 || category >= categoryCount) return;
    category_ = category;
    auto groups = categoriesData_[category].groups;
    // A group left with a single copy after a removal holds no duplicate any more.
    std::erase_if(groups, [](const files::DuplicateFilesPtr& g) { return g->count() < 2; });
    DuplicateSelection::sort(groups, order_);
    model_->setGroups(std::move(groups));
    tableStack_->setCurrentWidget(model_->groups().empty() ? static_cast<QWidget*>(emptyCategory_)
                                                           : table_);
    if (categories_->currentRow() != category) {
        QSignalBlocker block(categories_);
        categories_->setCurrentRow(category);
    }
    preview_->showFile({}, 0);
    refreshTotals();
}

void DuplicateResultView::setSortOrder(GroupSortOrder order) {
    order_ = order;
    sort_->setText(sortName(order) + QStringLiteral(" ▾"));
    auto groups = model_->groups();
    DuplicateSelection::sort(groups, order);
    model_->setGroups(std::move(groups));
    preview_->showFile({}, 0);
}

void DuplicateResultView::autoSelect() {
    DuplicateSelection::autoSelect(model_->groups());
    model_->refreshChecks();
    refreshTotals();
}

void DuplicateResultView::selectKeeping(duplicates::KeepRule rule) {
    DuplicateSelection::selectKeeping(model_->groups(), rule);
    model_->refreshChecks();
    refreshTotals();
}

void DuplicateResultView::setSkippedText(const QString& text) {
    skipped_->setText(text);
    skipped_->setVisible(!text.isEmpty());
}

void DuplicateResultView::deselectAll() {
    DuplicateSelection::deselectAll(model_->groups());
    model_->refreshChecks();
    refreshTotals();
}

duplicates::SelectionTotals DuplicateResultView::totals() const {
    return DuplicateSelection::totals(model_->groups());
}

void DuplicateResultView::refreshTotals() {
    const auto shown = totals();
    totals_->setText(shown.count == 0 ? loc("No files selected")
                                      : locFormat("Selected: %@, %@",
                                                  {quantity(static_cast<long long>(shown.count),
                                                            "file", "files"),
                                                   sizeText(shown.size)}));
    for (int i = 0; i < categoryCount; ++i) {
        const auto t = DuplicateSelection::totals(categoriesData_[i].groups);
        // Removal takes every checked copy, whichever category shows it.
        if (i == all) remove_->setEnabled(t.count > 0);
        QString text =
            categoryName(i) + QStringLiteral("   ") + sizeText(categoriesData_[i].totalSize);
        if (t.count > 0)
            text += QStringLiteral("\n") +
                    locFormat("%@ selected, %@",
                              {countText(static_cast<long long>(t.count)), sizeText(t.size)});
        categories_->item(i)->setText(text);
    }
}

void DuplicateResultView::showPreviewForRow(int row) {
    if (auto* file = model_->fileAt(row)) {
        preview_->showFile(file->path(), file->size());
        return;
    }
    auto [group, member] = model_->locate(row);
    if (group >= 0 && member < 0 && model_->groups()[group]->count() > 0) {
        const auto& first = model_->groups()[group]->infos().front();
        preview_->showFile(first->path(), first->size());
        return;
    }
    preview_->showFile({}, 0);
}

void DuplicateResultView::confirmEveryCopy(int group,
                                           const duplicates::GroupSelectionSnapshot& before) {
    files::DuplicateFilesPtr target = model_->groups()[group];
    settings::UserDefaults defaults(settings::UserDefaults::defaultPath());
    if (!DuplicateSelection::needsCompleteConfirmation(*target, defaults)) return;
    askQuestion(this, loc("Are you sure you want to select all files in this group?"),
                loc("Cancel"), loc("Select All"), [this, target, before](bool yes) {
                    settings::UserDefaults store(settings::UserDefaults::defaultPath());
                    DuplicateSelection::recordCompleteConfirmation(store);
                    if (yes) return;
                    DuplicateSelection::restore(*target, before);
                    const auto& groups = model_->groups();
                    for (int i = 0; i < static_cast<int>(groups.size()); ++i)
                        if (groups[i] == target) model_->groupChanged(i);
                    refreshTotals();
                });
}

void DuplicateResultView::rebuildRemoveMenu() {
    removeMenu_->clear();
    removeMenu_->addAction(loc("Discard to the Trash"), this,
                           [this] { requestRemove(RemoveType::trash()); });
    removeMenu_->addAction(loc("Permanently Deleted"), this,
                           [this] { requestRemove(RemoveType::forever()); });
    removeMenu_->addAction(loc("Remove to the Folder..."), this,
                           &DuplicateResultView::requestRemoveToChosenFolder);
    if (lastFolder && !lastFolder->empty()) {
        const std::string folder = *lastFolder;
        removeMenu_->addAction(locFormat("Remove to %@", {displayPath(kit::directoryName(folder))}),
                               this, [this, folder] { requestRemove(RemoveType::folder(folder)); });
    }
}

void DuplicateResultView::requestRemoveToChosenFolder() {
    const auto picked = chooseFolders(chooser, this, false);
    if (picked.empty()) return;
    requestRemove(RemoveType::folder(picked.front()));
}

void DuplicateResultView::requestRemove(const RemoveType& type) {
    if (asking_ || DuplicateSelection::totals(categoriesData_[all].groups).count == 0) return;
    QString question;
    QString confirm;
    switch (type.kind) {
        case RemoveType::Kind::forever:
            question = loc("Are you sure to permanently delete the selected files?");
            confirm = loc("Delete");
            break;
        case RemoveType::Kind::trash:
            question = loc("Are you sure to discard the selected files to the Trash?");
            confirm = loc("Move to Trash");
            break;
        case RemoveType::Kind::folder:
            question = locFormat("Are you sure to move the selected files to %@?",
                                 {displayPath(type.path)});
            confirm = loc("Move");
            break;
    }
    // Said before anything goes: a group whose every copy is checked keeps none of its content.
    QString details;
    if (const std::size_t lost =
            DuplicateSelection::groupsLosingEveryCopy(categoriesData_[all].groups))
        details = locFormat("%@ will lose every copy.",
                            {quantity(static_cast<long long>(lost), "group", "groups")});
    asking_ = true;
    askQuestion(
        this, question, loc("Cancel"), confirm,
        [this, type](bool yes) {
            asking_ = false;
            if (!yes) return;
            if (type.kind == RemoveType::Kind::folder) lastFolder = type.path;
            if (removeRequested) removeRequested(categoriesData_[all].groups, type);
        },
        details);
}

void DuplicateResultView::showRowMenu(const QPoint& at) {
    const QModelIndex index = table_->indexAt(at);
    auto* file = model_->fileAt(index.row());
    if (!file) return;
    const std::string path = file->path();
    QMenu menu(this);
    menu.addAction(loc("Show in File Manager"), this,
                   [this, path] { FilePreviewView::reveal(this, path); });
    menu.addAction(loc("Open"), this, [this, path] { FilePreviewView::open(this, path); });
    menu.exec(table_->viewport()->mapToGlobal(at));
}

}  // namespace orvane::app
