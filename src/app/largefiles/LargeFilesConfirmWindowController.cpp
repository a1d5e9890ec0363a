#include "app/largefiles/LargeFilesConfirmWindowController.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/common/Alerts.h"
#include "app/common/Styles.h"
#include "app/common/Text.h"

namespace orvane::app {

LargeFilesConfirmWindowController::LargeFilesConfirmWindowController(
    std::vector<largefiles::LargeFileInfo> rows, QWidget* parent)
    : QDialog(parent), rows_(std::move(rows)) {
    setObjectName(QStringLiteral("largeFilesConfirm"));
    setWindowTitle(loc("Confirm Your Selection"));
    setWindowModality(Qt::WindowModal);
    resize(680, 440);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 18, 22, 18);
    auto* title = new QLabel(loc("Confirm Your Selection"), this);
    title->setStyleSheet(styles::title());
    layout->addWidget(title);
    summary_ = new QLabel(
        locFormat("%@ selected", {quantity(static_cast<long long>(rows_.size()), "file", "files")}),
        this);
    summary_->setStyleSheet(styles::subtitle());
    layout->addWidget(summary_);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("confirmList"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({loc("Name"), loc("Path"), loc("Size"), loc("Creation Date")});
    list_->setUniformRowHeights(true);
    // Both ends of a path tell where a file is: the top folder and the one that holds it.
    list_->setTextElideMode(Qt::ElideMiddle);
    for (const auto& row : rows_) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, displayPath(row.name));
        item->setText(1, displayPath(row.path));
        item->setToolTip(1, displayPath(row.path));
        item->setText(2, qs(row.size));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(3, qs(row.date));
    }
    list_->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    list_->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    // Size and date take what they need; the path gets the rest.
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    list_->header()->setSectionResizeMode(3, QHeaderView::ResizeToContents);
    list_->setColumnWidth(0, 180);
    layout->addWidget(list_, 1);

    // The question is asked here, beside the list it is about, so the Trash or a folder takes
    // one step; only deleting for good, which cannot be undone, asks once more.
    question_ = new QLabel(this);
    question_->setObjectName(QStringLiteral("confirmQuestion"));
    question_->setWordWrap(true);
    question_->setStyleSheet(QStringLiteral("color: #24303f; font-size: 14px; font-weight: 600;"));
    layout->addWidget(question_);

    auto* bottom = new QHBoxLayout;
    method_ = new QComboBox(this);
    method_->setObjectName(QStringLiteral("removeMethod"));
    method_->addItem(loc("Discard to the Trash"));
    method_->addItem(loc("Remove to the Folder..."));
    method_->addItem(loc("Permanently Deleted"));
    method_->setMinimumWidth(260);
    bottom->addWidget(method_);
    bottom->addStretch(1);
    auto* cancel = new QPushButton(loc("Cancel"), this);
    cancel->setStyleSheet(styles::secondaryButton());
    removeNow_ = new QPushButton(loc("Remove Now"), this);
    removeNow_->setObjectName(QStringLiteral("removeNow"));
    removeNow_->setStyleSheet(styles::primaryButton());
    removeNow_->setDefault(true);
    removeNow_->setEnabled(!rows_.empty());
    bottom->addWidget(cancel);
    bottom->addWidget(removeNow_);
    layout->addLayout(bottom);

    connect(method_, &QComboBox::activated, this, &LargeFilesConfirmWindowController::methodChosen);
    connect(method_, &QComboBox::currentIndexChanged, this, [this] { refreshQuestion(); });
    refreshQuestion();
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(removeNow_, &QPushButton::clicked, this,
            &LargeFilesConfirmWindowController::removeNowClicked);
}

void LargeFilesConfirmWindowController::methodChosen(int index) {
    if (index != folderItem) {
        lastIndex_ = index;
        return;
    }
    // This window is itself the sheet over the main window, so the chooser opens over it.
    const auto picked = folderChooser ? folderChooser(this, false) : std::vector<std::string>{};
    if (picked.empty()) {
        // Cancelled: the menu goes back to what it said before, or keeps the earlier folder.
        if (folder_.empty()) method_->setCurrentIndex(lastIndex_);
        return;
    }
    folder_ = picked.front();
    method_->setItemText(folderItem, locFormat("Remove to %@", {displayPath(folder_)}));
    lastIndex_ = folderItem;
    refreshQuestion();
}

void LargeFilesConfirmWindowController::refreshQuestion() {
    const auto type = currentType();
    question_->setText(type ? confirmationFor(*type)
                            : loc("Choose the folder to move the files to."));
}

std::optional<files::RemoveType> LargeFilesConfirmWindowController::currentType() const {
    switch (method_->currentIndex()) {
        case trashItem: return files::RemoveType::trash();
        case foreverItem: return files::RemoveType::forever();
        case folderItem:
            if (folder_.empty()) return std::nullopt;
            return files::RemoveType::folder(folder_);
    }
    return std::nullopt;
}

QString LargeFilesConfirmWindowController::confirmationFor(const files::RemoveType& type) {
    switch (type.kind) {
        case files::RemoveType::Kind::trash:
            return loc("Are you sure to discard the selected files to the Trash?");
        case files::RemoveType::Kind::forever:
            return loc("Are you sure to permanently delete the selected files?");
        case files::RemoveType::Kind::folder:
            return locFormat("Are you sure to move the selected files to %@?",
                             {displayPath(type.path)});
    }
    return {};
}

void LargeFilesConfirmWindowController::removeNowClicked() {
    auto type = currentType();
    if (!type) {
        methodChosen(folderItem);
        type = currentType();
        if (!type) return;
    }
    if (type->kind != files::RemoveType::Kind::forever) {
        accept();
        if (onRemove) onRemove(*type);
        return;
    }
    askQuestion(
        this, confirmationFor(*type), loc("Cancel"), loc("Delete Permanently"),
        [this, chosen = *type](bool yes) {
            if (!yes) return;
            accept();
            if (onRemove) onRemove(chosen);
        },
        loc("Files deleted permanently cannot be restored from the Trash."));
}

}  // namespace orvane::app
