#include "app/apps/AppCleaningLogDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/apps/AppIcons.h"
#include "app/common/Text.h"

namespace orvane::app {

AppCleaningLogDialog::AppCleaningLogDialog(const std::vector<apps::AppCleaningLog>& logs,
                                           AppIcons& icons, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("appsCleaningLog"));
    setWindowTitle(loc("Cleaning Log"));
    setWindowModality(Qt::WindowModal);
    resize(640, 420);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(loc("Cleaning Log"), this);
    title->setStyleSheet(QStringLiteral("color: #1d2733; font-size: 16px; font-weight: 600;"));
    layout->addWidget(title);
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("cleaningLogTree"));
    tree_->setColumnCount(3);
    tree_->setHeaderLabels({loc("Application"), loc("Cleaned"), loc("Result")});
    tree_->setIconSize(QSize(24, 24));
    tree_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tree_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tree_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    tree_->header()->setStretchLastSection(false);
    for (const apps::AppCleaningLog& log : logs) {
        auto* row = new QTreeWidgetItem(tree_);
        row->setText(0, displayPath(log.app->appName));
        row->setIcon(0, icons.icon(log.app->iconName));
        row->setText(1, sizeText(log.cleanedSize));
        row->setText(2, log.isSuccess ? loc("Succeeded")
                                      : locFormat("%@ failed", {countText(log.failedFileCount)}));
        row->setIcon(2, style()->standardIcon(log.isSuccess ? QStyle::SP_DialogApplyButton
                                                            : QStyle::SP_MessageBoxWarning));
        for (const apps::CleanedFile& f : log.cleanedFiles) {
            auto* child = new QTreeWidgetItem(row);
            child->setText(0, displayPath(f.file->url));
            child->setToolTip(0, displayPath(f.file->url));
            child->setText(1, f.success ? sizeText(f.file->size) : QString());
            child->setText(2, f.success ? loc("Removed") : displayPath(f.reason));
            child->setToolTip(2, displayPath(f.reason));
            if (!f.success) child->setForeground(2, QColor(0xc0, 0x39, 0x2b));
        }
        row->setExpanded(!log.isSuccess);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(tree_, 1);
    layout->addWidget(buttons);
}

}  // namespace orvane::app
