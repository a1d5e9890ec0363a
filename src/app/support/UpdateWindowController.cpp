#include "app/support/UpdateWindowController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/common/Text.h"
#include "app/common/ThemeColors.h"

namespace orvane::app {

UpdateWindowController::UpdateWindowController(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("updateWindow"));
    setWindowTitle(loc("Software Update"));
    setStyleSheet(theme::window());
    setMinimumWidth(460);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    title_ = new QLabel;
    title_->setObjectName(QStringLiteral("updateTitle"));
    title_->setStyleSheet(QStringLiteral("font-size: 17px; font-weight: 600; color: #404040;"));
    message_ = new QLabel;
    message_->setObjectName(QStringLiteral("updateMessage"));
    message_->setWordWrap(true);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    notes_ = new QTextBrowser;
    notes_->setObjectName(QStringLiteral("updateNotes"));
    notes_->setOpenLinks(false);
    notes_->setMinimumHeight(140);
    notes_->setStyleSheet(
        QStringLiteral("border: 1px solid #E6E6E6; border-radius: 6px; padding: 6px;"));
    layout->addWidget(title_);
    layout->addWidget(message_);
    layout->addWidget(notes_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    close_ = new QPushButton(loc("Later"));
    close_->setObjectName(QStringLiteral("updateClose"));
    close_->setStyleSheet(theme::outlineButton());
    download_ = new QPushButton(loc("Download"));
    download_->setObjectName(QStringLiteral("updateDownload"));
    download_->setStyleSheet(theme::themeButton());
    download_->setDefault(true);
    buttons->addWidget(close_);
    buttons->addWidget(download_);
    layout->addLayout(buttons);
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    connect(download_, &QPushButton::clicked, this, [this] {
        Q_EMIT downloadRequested();
        close();
    });
}

void UpdateWindowController::present(const QString& title, const QString& message,
                                     const QString& notes, bool download) {
    title_->setText(title);
    message_->setText(message);
    // Notes come from the network: shown as plain text, never as markup.
    notes_->setPlainText(notes);
    notes_->setVisible(!notes.isEmpty());
    download_->setVisible(download);
    close_->setText(download ? loc("Later") : loc("OK"));
    adjustSize();
    show();
    raise();
    activateWindow();
}

void UpdateWindowController::showAvailable(const QString& version, const QString& current,
                                           const QString& notes, const QString& advice) {
    QString message = locFormat("Orvane %@ is available; you have %@.", {version, current});
    if (!advice.isEmpty()) message += QStringLiteral("\n\n") + advice;
    present(loc("A new version of Orvane is available"), message, notes, advice.isEmpty());
}

void UpdateWindowController::showUpToDate(const QString& current) {
    present(loc("Orvane is up to date"),
            locFormat("Version %@ is the newest version available.", {current}), {}, false);
}

void UpdateWindowController::showFailed(const QString& error) {
    present(loc("Could not check for updates"),
            locFormat("Orvane could not find out whether a newer version exists: %@. Check your "
                      "connection and "
                      "try again later.",
                      {error}),
            {}, false);
}

QString UpdateWindowController::titleText() const { return title_->text(); }
QString UpdateWindowController::messageText() const { return message_->text(); }
QString UpdateWindowController::notesText() const {
    return notes_->isHidden() ? QString() : notes_->toPlainText();
}
bool UpdateWindowController::offersDownload() const { return !download_->isHidden(); }

}  // namespace orvane::app
