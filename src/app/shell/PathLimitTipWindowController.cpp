#include "app/shell/PathLimitTipWindowController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "app/common/Alerts.h"
#include "app/common/Text.h"
#include "app/shell/Icons.h"
#include "kit/Log.h"

namespace orvane::app {

PathLimitTipWindowController::PathLimitTipWindowController(std::string trashPath, QWidget* parent)
    : QDialog(parent), trashPath_(std::move(trashPath)) {
    setObjectName(QStringLiteral("pathLimitTip"));
    setWindowTitle(QStringLiteral("Orvane"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);

    findProgram = [](const QString& name) { return QStandardPaths::findExecutable(name); };
    launch = [](const Command& c) { return QProcess::startDetached(c.program, c.arguments); };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 18);
    layout->setSpacing(12);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(appIcon(QStringLiteral("lock")).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);
    auto* texts = new QVBoxLayout;
    auto* title = new QLabel(loc("Orvane can't read your Trash folder"), this);
    title->setStyleSheet(QStringLiteral("font-size: 16px; font-weight: 600;"));
    texts->addWidget(title);
    auto* body = new QLabel(
        locFormat("Without access to %@ the Trash can't be scanned or emptied. Allow Orvane to "
                  "read your files, then start Orvane again.",
                  {displayPath(trashPath_)}),
        this);
    body->setObjectName(QStringLiteral("tipText"));
    body->setWordWrap(true);
    body->setMinimumWidth(360);
    texts->addWidget(body);
    top->addLayout(texts, 1);
    layout->addLayout(top);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cancelButton_ = new QPushButton(loc("Cancel"), this);
    settingsButton_ = new QPushButton(loc("Go to Settings"), this);
    settingsButton_->setDefault(true);
    buttons->addWidget(cancelButton_);
    buttons->addWidget(settingsButton_);
    layout->addLayout(buttons);

    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(settingsButton_, &QPushButton::clicked, this, [this] { goToSettings(); });
}

std::optional<PathLimitTipWindowController::Command>
PathLimitTipWindowController::privacySettingsCommand(const ProgramFinder& find) {
    // GNOME has a privacy page; other desktops have no page that governs file access, so the
    // help text serves them better than an unrelated settings window.
    if (QString gnome = find(QStringLiteral("gnome-control-center")); !gnome.isEmpty())
        return Command{gnome, {QStringLiteral("privacy")}};
    return std::nullopt;
}

QString PathLimitTipWindowController::helpText() const {
    return locFormat(
        "Make sure the folder %@ belongs to you and that you may read it, for example with "
        "\"chmod u+rwx\" in a terminal. If Orvane runs in a sandbox (Flatpak or Snap), allow it "
        "to access your home folder in the sandbox's permission settings.",
        {displayPath(trashPath_)});
}

bool PathLimitTipWindowController::goToSettings() {
    if (auto command = privacySettingsCommand(findProgram)) {
        if (launch(*command)) {
            accept();
            return true;
        }
        ORVANE_LOG("could not start the privacy settings: " + command->program.toStdString());
    }
    QWidget* owner = parentWidget();
    accept();
    showAlert(owner, loc("How to give Orvane access to the Trash"), loc("OK"), {}, helpText());
    return false;
}

}  // namespace orvane::app
