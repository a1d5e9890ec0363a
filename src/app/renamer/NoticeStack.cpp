#include "app/renamer/NoticeStack.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "app/common/Text.h"

namespace orvane::app {

NoticeStack::NoticeStack(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("renamerNotices"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(6);
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &NoticeStack::dismissBatch);
    hide();
}

void NoticeStack::show(const std::vector<std::string>& notices) {
    queue_.enqueue(notices);
    if (queue_.showing() == 0) showNextBatch();
}

void NoticeStack::showNextBatch() {
    const auto batch = queue_.nextBatch();
    if (batch.empty()) {
        hide();
        return;
    }
    for (const std::string& text : batch) {
        auto* l = new QLabel(qs(text), this);
        l->setObjectName(QStringLiteral("notice"));
        l->setStyleSheet(QStringLiteral(
            "QLabel { background: rgba(36, 48, 63, 230); color: white; border-radius: 8px;"
            " padding: 7px 14px; font-size: 12px; }"));
        layout_->addWidget(l, 0, Qt::AlignHCenter);
    }
    place();
    QWidget::show();
    raise();
    timer_->start(dismissMilliseconds);
}

void NoticeStack::dismissBatch() {
    while (QLayoutItem* item = layout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    queue_.batchDismissed();
    showNextBatch();
}

void NoticeStack::place() {
    adjustSize();
    // Near the bottom, above the buttons, so no notice hides a menu or the list's header.
    if (QWidget* p = parentWidget())
        move((p->width() - width()) / 2, std::max(16, p->height() - height() - 110));
}

QStringList NoticeStack::visibleNotices() const {
    QStringList out;
    for (int i = 0; i < layout_->count(); ++i)
        if (auto* l = qobject_cast<QLabel*>(layout_->itemAt(i)->widget())) out << l->text();
    return out;
}

}  // namespace orvane::app
