#include "app/junk/RightCleanUpListViewController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/common/Text.h"
#include "app/junk/CleanUpResultNewViewController.h"
#include "app/junk/JunkSort.h"
#include "app/junk/QtCheckState.h"
#include "kit/Paths.h"

namespace orvane::app {

namespace {

// Rows keep what they show: a heading or an item, found again through these.
constexpr int kGroupRole = Qt::UserRole + 1;
constexpr int kItemRole = Qt::UserRole + 2;

// Shows mixed when some items are ticked, but a click means "all" (from off or mixed) or "none"
// (from on), never "some".
class AllSelectBox final : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
};

junk::JunkSubcategory* groupOf(QTreeWidgetItem* row) {
    return static_cast<junk::JunkSubcategory*>(row->data(0, kGroupRole).value<void*>());
}
junk::CleanBaseItem* itemOf(QTreeWidgetItem* row) {
    return static_cast<junk::CleanBaseItem*>(row->data(0, kItemRole).value<void*>());
}

}  // namespace

RightCleanUpListViewController::RightCleanUpListViewController(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    allSelectCheckBox = new AllSelectBox(this);
    allSelectCheckBox->setObjectName(QStringLiteral("junkSelectAll"));
    allSelectCheckBox->setTristate(true);
    allSelectLabel = new QLabel(loc("Check All"), this);
    allSelectLabel->setObjectName(QStringLiteral("junkSelectAllLabel"));
    bar->addWidget(allSelectCheckBox);
    bar->addWidget(allSelectLabel);
    bar->addStretch(1);
    sortPopButton = new QComboBox(this);
    sortPopButton->setObjectName(QStringLiteral("junkRightSort"));
    sortPopButton->addItems(
        {loc("Default Sort"), loc("Sort Smallest to Largest"), loc("Sort Largest to Smallest")});
    bar->addWidget(sortPopButton);
    layout->addLayout(bar);

    scanOutlineView = new QTreeWidget(this);
    scanOutlineView->setObjectName(QStringLiteral("junkOutline"));
    scanOutlineView->setColumnCount(2);
    scanOutlineView->setHeaderLabels({loc("Name"), loc("Size")});
    scanOutlineView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    scanOutlineView->header()->setSectionResizeMode(1, QHeaderView::Fixed);
    scanOutlineView->header()->resizeSection(1, 100);
    scanOutlineView->header()->setStretchLastSection(false);
    scanOutlineView->setUniformRowHeights(true);
    scanOutlineView->setTextElideMode(Qt::ElideMiddle);
    layout->addWidget(scanOutlineView, 1);

    connect(allSelectCheckBox, &QCheckBox::clicked, this, [this] { allSelectAction(); });
    connect(sortPopButton, &QComboBox::currentIndexChanged, this, [this](int index) {
        selectedSortType = sortTypeForIndex(index);
        reloadData();
    });
    connect(scanOutlineView, &QTreeWidget::itemChanged, this,
            &RightCleanUpListViewController::outlineChanged);
    connect(scanOutlineView, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* row) {
        if (auto* g = groupOf(row)) expandedItems.insert(g->name);
    });
    connect(scanOutlineView, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* row) {
        if (auto* g = groupOf(row)) expandedItems.erase(g->name);
    });
}

void RightCleanUpListViewController::updateWithCategory(const junk::JunkCategoryPtr& category) {
    currentCategory = category;
    reloadData();
}

void RightCleanUpListViewController::fillGroup(QTreeWidgetItem* row,
                                               const junk::JunkSubcategoryPtr& group) {
    row->setText(0, qs(group->name));
    row->setText(1, sizeText(static_cast<std::uint64_t>(group->allSize())));
    row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    row->setData(0, kGroupRole, QVariant::fromValue<void*>(group.get()));
    row->setCheckState(0, qtState(stateOf(itemsOf(*group))));
    const std::uint32_t junkType = currentCategory->model->junkType;
    for (const auto& sub : sortedGroups(*group, junkType, selectedSortType))
        fillGroup(new QTreeWidgetItem(row), sub);
    for (const auto& item : sortedItems(*group, selectedSortType)) {
        auto* leaf = new QTreeWidgetItem(row);
        QString name = displayPath(kit::directoryName(item->url));
        if (!item->runningApp.empty())
            name += QStringLiteral("  ·  ") + locFormat("in use by %@", {qs(item->runningApp)});
        leaf->setText(0, name);
        leaf->setToolTip(0, displayPath(item->url));
        leaf->setText(1, sizeText(static_cast<std::uint64_t>(item->size())));
        leaf->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        leaf->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        leaf->setData(0, kItemRole, QVariant::fromValue<void*>(item.get()));
        leaf->setCheckState(0, item->isSelected ? Qt::Checked : Qt::Unchecked);
        if (item->removeError) {
            leaf->setForeground(0, QColor(0xc2, 0x46, 0x3b));
            leaf->setToolTip(0, displayPath(item->url) + QStringLiteral("\n") +
                                    qs(item->removeError->description));
        }
    }
    row->setExpanded(expandedItems.contains(group->name));
}

void RightCleanUpListViewController::reloadData() {
    filling_ = true;
    scanOutlineView->clear();
    if (currentCategory)
        for (const auto& group : sortedGroups(*currentCategory, selectedSortType))
            fillGroup(new QTreeWidgetItem(scanOutlineView), group);
    filling_ = false;
    updateAllSelectCheckBoxState();
    if (updateDelegate) updateAllSelectFromLeftCheckBox(updateDelegate->junkCategories);
}

void RightCleanUpListViewController::refreshChecks() {
    filling_ = true;
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* row) {
        if (auto* group = groupOf(row)) row->setCheckState(0, qtState(stateOf(itemsOf(*group))));
        else if (auto* item = itemOf(row))
            row->setCheckState(0, item->isSelected ? Qt::Checked : Qt::Unchecked);
        for (int i = 0; i < row->childCount(); ++i) walk(row->child(i));
    };
    for (int i = 0; i < scanOutlineView->topLevelItemCount(); ++i)
        walk(scanOutlineView->topLevelItem(i));
    filling_ = false;
}

void RightCleanUpListViewController::outlineChanged(QTreeWidgetItem* row, int column) {
    if (filling_ || column != 0) return;
    const bool on = row->checkState(0) == Qt::Checked;
    if (auto* group = groupOf(row)) group->setItemState(on);
    else if (auto* item = itemOf(row)) item->isSelected = on;
    else return;
    refreshChecks();
    updateAllSelectCheckBoxState();
    if (updateDelegate) {
        updateAllSelectFromLeftCheckBox(updateDelegate->junkCategories);
        updateDelegate->rightListDidUpdate(currentCategory);
    }
}

void RightCleanUpListViewController::allSelectAction() {
    if (!currentCategory) return;
    const bool on = allSelectCheckBox->checkState() == Qt::Checked;
    currentCategory->setItemState(on);
    if (!on) setBox(junk::CheckState::off);
    refreshChecks();
    if (updateDelegate) updateDelegate->rightListDidToggleAllSelection(on);
    updateAllSelectCheckBoxState();
    if (updateDelegate) updateAllSelectFromLeftCheckBox(updateDelegate->junkCategories);
}

void RightCleanUpListViewController::setBox(junk::CheckState state) {
    const QSignalBlocker block(allSelectCheckBox);
    allSelectCheckBox->setCheckState(qtState(state));
    allSelectLabel->setText(state == junk::CheckState::off ? loc("Check All")
                                                           : loc("Deselect All"));
}

void RightCleanUpListViewController::updateAllSelectCheckBoxState() {
    setBox(currentCategory ? stateOf(itemsOf(*currentCategory)) : junk::CheckState::off);
}

void RightCleanUpListViewController::updateAllSelectFromLeftCheckBox(
    const std::vector<junk::JunkCategoryPtr>& categories) {
    bool anyCounted = false, allOn = true, allOff = true;
    for (const auto& category : categories) {
        const auto items = itemsOf(*category);
        if (items.empty()) continue;  // a kind without items does not count
        anyCounted = true;
        const junk::CheckState state = stateOf(items);
        allOn = allOn && state == junk::CheckState::on;
        allOff = allOff && state == junk::CheckState::off;
    }
    if (!anyCounted || allOff) setBox(junk::CheckState::off);
    else if (allOn) setBox(junk::CheckState::on);
    else setBox(junk::CheckState::mixed);
}

}  // namespace orvane::app
