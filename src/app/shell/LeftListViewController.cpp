#include "app/shell/LeftListViewController.h"

#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/common/Text.h"
#include "app/shell/Icons.h"

namespace orvane::app {

namespace {
constexpr int kUnfoldedWidth = 210;
constexpr int kFoldedWidth = 64;
constexpr int kSelectedRole = Qt::UserRole + 1;
const QColor kFocusRing(0x2f, 0x7c, 0xf6);

// Draws the chosen module's rounded highlight; the list's own selection is off because the
// selection may only move once the module on show agreed to be left. The row the keyboard is on
// gets a ring while the list has the focus, so arrow keys show where Enter will go.
class ModuleRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool chosen = index.data(kSelectedRole).toBool();
        const bool keyboard = option.state.testFlag(QStyle::State_HasFocus);
        if (chosen || keyboard) {
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(keyboard ? QPen(kFocusRing, 2) : QPen(Qt::NoPen));
            painter->setBrush(chosen ? QBrush(QColor(0xd4, 0xe3, 0xf6)) : QBrush(Qt::NoBrush));
            painter->drawRoundedRect(QRectF(option.rect).adjusted(1.5, 1.5, -1.5, -1.5), 8, 8);
            painter->restore();
        }
        QStyleOptionViewItem plain = option;
        plain.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, plain, index);
    }
};
}  // namespace

LeftListViewController::LeftListViewController(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("leftList"));
    setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 16, 8, 8);
    layout->setSpacing(8);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("moduleList"));
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setFocusPolicy(Qt::StrongFocus);
    list_->setIconSize(QSize(24, 24));
    list_->setSpacing(2);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setStyleSheet(
        QStringLiteral("QListWidget { background: transparent; outline: 0; font-size: 14px; }"
                       "QListWidget::item { padding: 9px 6px; border-radius: 8px; color: #24303f; }"
                       "QListWidget::item:hover { background: #e3ebf5; }"
                       "QListWidget::item:disabled { color: #9aa5b1; }"));
    list_->setItemDelegate(new ModuleRowDelegate(list_));
    layout->addWidget(list_, 1);

    foldButton_ = new QToolButton(this);
    foldButton_->setObjectName(QStringLiteral("foldButton"));
    foldButton_->setAutoRaise(true);
    foldButton_->setText(QStringLiteral("«"));
    foldButton_->setToolTip(loc("Fold the module list"));
    layout->addWidget(foldButton_, 0, Qt::AlignLeft);

    connect(list_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { clickIndex(list_->row(item)); });
    connect(list_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { clickIndex(list_->row(item)); });
    connect(foldButton_, &QToolButton::clicked, this, [this] { setFolded(!folded_); });

    setFixedWidth(kUnfoldedWidth);
    setStyleSheet(
        QStringLiteral("#leftList { background: #f3f6fa; border-right: 1px solid #dde3ea; }"));
}

void LeftListViewController::setDisplayItems(std::vector<ModuleItem> items) {
    displayItems_ = std::move(items);
    reloadData();
}

void LeftListViewController::selectType(ModuleType type) {
    currentFuncType = type;
    currentSelectedIndex = 0;
    for (int i = 0; i < static_cast<int>(displayItems_.size()); ++i) {
        if (displayItems_[i].moduleType == type) currentSelectedIndex = i;
    }
    reloadData();
}

void LeftListViewController::reloadData() {
    list_->clear();
    for (int i = 0; i < static_cast<int>(displayItems_.size()); ++i) {
        ModuleItem& item = displayItems_[i];
        item.isSelected = i == currentSelectedIndex && item.moduleType == currentFuncType;
        const QString iconName = !enabled_         ? item.unableIconName
                                 : item.isSelected ? item.selectedIconName
                                                   : item.iconName;
        auto* row = new QListWidgetItem(appIcon(iconName), folded_ ? QString() : item.moduleName);
        row->setToolTip(item.moduleTip);
        row->setData(Qt::UserRole, static_cast<int>(item.moduleType));
        row->setData(Qt::AccessibleTextRole, item.moduleName);
        row->setData(kSelectedRole, item.isSelected);
        if (item.isSelected) {
            QFont font = row->font();
            font.setBold(true);
            row->setFont(font);
        }
        if (!enabled_) row->setFlags(row->flags() & ~Qt::ItemIsEnabled);
        list_->addItem(row);
    }
    // The keyboard starts from the module on show: rebuilding the rows must not send it back to
    // the top, or Down then Enter from Duplicate Files would open the first module.
    if (currentSelectedIndex >= 0 && currentSelectedIndex < list_->count())
        list_->selectionModel()->setCurrentIndex(list_->model()->index(currentSelectedIndex, 0),
                                                 QItemSelectionModel::NoUpdate);
}

void LeftListViewController::setFolded(bool folded) {
    folded_ = folded;
    setFixedWidth(folded ? kFoldedWidth : kUnfoldedWidth);
    foldButton_->setText(folded ? QStringLiteral("»") : QStringLiteral("«"));
    foldButton_->setToolTip(folded ? loc("Unfold the module list") : loc("Fold the module list"));
    reloadData();
}

void LeftListViewController::setListEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    reloadData();
}

void LeftListViewController::clickIndex(int index) {
    if (!enabled_ || waiting_) return;
    if (index < 0 || index >= static_cast<int>(displayItems_.size())) return;
    const ModuleType type = displayItems_[index].moduleType;
    if (!functionDidSelectedBlock) {
        selectType(type);
        return;
    }
    waiting_ = true;
    functionDidSelectedBlock(type, [this](bool) { waiting_ = false; });
}

}  // namespace orvane::app
