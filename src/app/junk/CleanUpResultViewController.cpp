#include "app/junk/CleanUpResultViewController.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/shell/Icons.h"

namespace orvane::app {

CleanUpResultViewController::CleanUpResultViewController(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 30, 40, 24);
    layout->addStretch(1);
    auto* icon = new QLabel(this);
    icon->setPixmap(appIcon(QStringLiteral("leftList_cleanup")).pixmap(96, 96));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("junkResultTitle"));
    title_->setStyleSheet(styles::title());
    title_->setAlignment(Qt::AlignCenter);
    layout->addWidget(title_);
    detail_ = new QLabel(this);
    detail_->setStyleSheet(styles::subtitle());
    detail_->setAlignment(Qt::AlignCenter);
    detail_->setWordWrap(true);
    layout->addWidget(detail_);
    freed_ = new QLabel(this);
    freed_->setObjectName(QStringLiteral("junkFreed"));
    freed_->setStyleSheet(QStringLiteral("color: #057FFF; font-size: 18px; font-weight: 600;"));
    freed_->setAlignment(Qt::AlignCenter);
    layout->addWidget(freed_);
    failures_ = new QTreeWidget(this);
    failures_->setObjectName(QStringLiteral("junkFailures"));
    failures_->setColumnCount(2);
    failures_->setHeaderLabels({loc("Not removed"), loc("Reason")});
    failures_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    failures_->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    failures_->setRootIsDecorated(false);
    failures_->setTextElideMode(Qt::ElideMiddle);
    layout->addWidget(failures_, 3);
    layout->addStretch(1);
    ok_ = new QPushButton(loc("OK"), this);
    ok_->setObjectName(QStringLiteral("junkResultOk"));
    ok_->setStyleSheet(styles::primaryButton());
    ok_->setMinimumWidth(140);
    layout->addWidget(ok_, 0, Qt::AlignHCenter);
    connect(ok_, &QPushButton::clicked, this, [this] {
        if (onBackHomeFromeResult) onBackHomeFromeResult();
    });
}

void CleanUpResultViewController::showResult(const std::vector<junk::CleanBaseModelPtr>& models,
                                             std::uint64_t freed, bool stopped) {
    failures_->clear();
    long long removed = 0, failed = 0;
    for (const auto& model : models) {
        removed += model->suceesCount;
        failed += model->errorCount;
        for (const auto& item : model->allItems) {
            if (!item->removeError ||
                item->cleanOutcome != junk::CleanBaseItem::CleanOutcome::failed)
                continue;
            auto* row = new QTreeWidgetItem(failures_);
            row->setText(0, displayPath(item->url));
            row->setToolTip(0, displayPath(item->url));
            row->setText(1, qs(item->removeError->description));
            row->setToolTip(1, qs(item->removeError->description));
        }
    }
    failures_->setVisible(failed > 0);
    if (stopped) {
        title_->setText(loc("Cleaning stopped"));
        detail_->setText(locFormat("%@ removed before the stop.",
                                   {quantity(removed, "item was", "items were")}));
    } else if (failed == 0) {
        title_->setText(loc("Congratulations!"));
        detail_->setText(loc("Your computer is now running like new!"));
    } else {
        title_->setText(loc("Cleaning finished"));
        detail_->setText(locFormat("%@ removed; %@ could not be removed (reasons below).",
                                   {quantity(removed, "item", "items"), countText(failed)}));
    }
    freed_->setText(locFormat("%@ freed", {sizeText(freed)}));
}

}  // namespace orvane::app
