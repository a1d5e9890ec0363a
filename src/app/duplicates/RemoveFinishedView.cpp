#include "app/duplicates/RemoveFinishedView.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/common/RemovalText.h"
#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/shell/Icons.h"

namespace orvane::app {

namespace {

// Measures a cell at its column's width, so that a wrapped sentence gets the lines it needs;
// the tree view alone asks for the height of one unbounded line.
class WrappingCellDelegate : public QStyledItemDelegate {
public:
    explicit WrappingCellDelegate(QTreeView* view) : QStyledItemDelegate(view), view_(view) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem bounded(option);
        bounded.rect = QRect(0, 0, view_->columnWidth(index.column()), 1);
        return QStyledItemDelegate::sizeHint(bounded, index);
    }

private:
    QTreeView* view_;
};

// Reasons come from every layer, a few of them written in lower case ("file path does not
// exist."); in the list each reads as the sentence it is.
QString asSentence(QString reason) {
    if (!reason.isEmpty() && reason.front().isLower()) reason.front() = reason.front().toUpper();
    return reason;
}

}  // namespace

RemoveFinishedView::RemoveFinishedView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("removeFinished"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 30, 40, 30);
    layout->setSpacing(10);
    layout->addStretch(1);
    icon_ = new QLabel(this);
    icon_->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon_);
    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("finishedTitle"));
    title_->setAlignment(Qt::AlignCenter);
    title_->setStyleSheet(styles::title());
    layout->addWidget(title_);
    detail_ = new QLabel(this);
    detail_->setObjectName(QStringLiteral("finishedDetail"));
    detail_->setAlignment(Qt::AlignCenter);
    detail_->setStyleSheet(styles::subtitle());
    layout->addWidget(detail_);
    layout->addSpacing(8);
    failureTitle_ = new QLabel(this);
    failureTitle_->setStyleSheet(styles::failuresHeading());
    layout->addWidget(failureTitle_);
    failures_ = new QTreeWidget(this);
    failures_->setObjectName(QStringLiteral("failureList"));
    failures_->setColumnCount(2);
    failures_->setHeaderLabels({loc("File"), loc("Reason")});
    failures_->setRootIsDecorated(false);
    // A reason is a sentence whose point is at its end ("...removing it would free nothing"):
    // rows grow to show it whole rather than cutting out its middle.
    failures_->setUniformRowHeights(false);
    failures_->setWordWrap(true);
    failures_->setItemDelegate(new WrappingCellDelegate(failures_));
    failures_->setTextElideMode(Qt::ElideMiddle);
    // Row heights are measured once at the widths of the moment; a new width wraps anew.
    connect(failures_->header(), &QHeaderView::sectionResized, failures_,
            [list = failures_] { list->doItemsLayout(); });
    failures_->header()->resizeSection(0, 380);
    failures_->setMaximumHeight(220);
    failures_->setStyleSheet(QStringLiteral(
        "QTreeWidget { border: 1px solid #e3e8ef; border-radius: 6px; font-size: 12px; }"
        "QTreeWidget::item { padding: 4px 2px; }"
        "QHeaderView::section { background: #ffffff; border: none; border-bottom: 1px solid "
        "#e3e8ef;"
        " padding: 5px 4px; color: #6b7785; }"));
    layout->addWidget(failures_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    newScan_ = new QPushButton(loc("New Scan"), this);
    newScan_->setObjectName(QStringLiteral("newScanButton"));
    newScan_->setStyleSheet(styles::secondaryButton());
    buttons->addWidget(newScan_);
    done_ = new QPushButton(loc("Back to Results"), this);
    done_->setObjectName(QStringLiteral("doneButton"));
    done_->setStyleSheet(styles::primaryButton());
    buttons->addWidget(done_);
    buttons->addStretch(1);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->addStretch(2);
}

void RemoveFinishedView::showResult(long long removedCount, std::uint64_t removedSize,
                                    bool interrupted, const std::vector<Failure>& failures,
                                    const std::optional<files::RemoveType>& type) {
    const auto failed = static_cast<long long>(failures.size());
    icon_->setPixmap(appIcon(removalIconName(failed, interrupted)).pixmap(72, 72));
    title_->setText(removalTitle(removedCount, failed, interrupted));
    detail_->setText(removedSummary(removedCount, removedSize, type));
    failures_->clear();
    failureTitle_->setVisible(!failures.empty());
    failures_->setVisible(!failures.empty());
    failureTitle_->setText(removalFailuresHeading(failed));
    for (const Failure& f : failures) {
        const QString reason = asSentence(qs(f.reason));
        auto* item = new QTreeWidgetItem(failures_, {displayPath(f.path), reason});
        item->setToolTip(0, displayPath(f.path));
        item->setToolTip(1, reason);
    }
}

}  // namespace orvane::app
