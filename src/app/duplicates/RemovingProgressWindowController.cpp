#include "app/duplicates/RemovingProgressWindowController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "app/common/Styles.h"
#include "app/common/Text.h"

namespace orvane::app {

RemovingProgressWindowController::RemovingProgressWindowController(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("removingProgress"));
    setWindowTitle(QStringLiteral("Orvane"));
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(420);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 22, 24, 18);
    layout->setSpacing(10);
    title_ = new QLabel(loc("Removing..."), this);
    title_->setObjectName(QStringLiteral("removingTitle"));
    title_->setStyleSheet(QStringLiteral("font-size: 16px; font-weight: 600; color: #1d2733;"));
    layout->addWidget(title_);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 1000);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setFixedHeight(8);
    bar_->setStyleSheet(
        QStringLiteral("QProgressBar { background: #e4eaf2; border: none; border-radius: 4px; }"
                       "QProgressBar::chunk { background: #2f7cf6; border-radius: 4px; }"));
    layout->addWidget(bar_);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("removedCount"));
    count_->setStyleSheet(QStringLiteral("color: #5b6776;"));
    layout->addWidget(count_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    stop_ = new QPushButton(loc("Stop"), this);
    stop_->setObjectName(QStringLiteral("stopRemoveButton"));
    stop_->setStyleSheet(styles::secondaryButton());
    buttons->addWidget(stop_);
    layout->addLayout(buttons);
    cleanProgress(0, 0);
    connect(stop_, &QPushButton::clicked, this, [this] {
        if (interrupted_) return;
        showInterrupted();
        if (stopBlock) stopBlock();
    });
}

void RemovingProgressWindowController::cleanProgress(double value, long long count) {
    if (!std::isfinite(value)) value = 0;
    bar_->setValue(static_cast<int>(std::clamp(value, 0.0, 1.0) * 1000));
    count_->setText(locFormat("%@ removed", {quantity(count, "file", "files")}));
}

void RemovingProgressWindowController::showInterrupted() {
    interrupted_ = true;
    title_->setText(loc("Remove interrupted"));
    stop_->setEnabled(false);
}

RemovingProgressWindowController* RemovingProgressWindowController::openOver(
    QWidget* window, std::function<void()> stop) {
    auto* sheet = new RemovingProgressWindowController(window);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->stopBlock = std::move(stop);
    sheet->open();
    return sheet;
}

void RemovingProgressWindowController::finish() {
    stopBlock = nullptr;
    done(QDialog::Accepted);
    deleteLater();
}

void RemovingProgressWindowController::reject() {
    if (!interrupted_) stop_->click();
}

}  // namespace orvane::app
