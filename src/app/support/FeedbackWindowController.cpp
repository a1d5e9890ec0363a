#include "app/support/FeedbackWindowController.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSysInfo>
#include <QVBoxLayout>

#include "app/common/Text.h"
#include "app/common/ThemeColors.h"
#include "core/support/AppInfo.h"
#include "core/support/CBSUtilitie.h"
#include "core/support/LogArchive.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::app {

namespace {
// Long enough for any report; a mail program's command line would not carry much more.
constexpr int kMaxMessageChars = 20000;

QPointer<FeedbackWindowController> gWindow;
}  // namespace

FeedbackWindowController::FeedbackWindowController(Config config, QWidget* parent)
    : QDialog(parent), config_(std::move(config)) {
    setObjectName(QStringLiteral("feedbackWindow"));
    setWindowTitle(loc("Send Feedback"));
    setStyleSheet(theme::window());
    setMinimumSize(520, 520);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);

    auto* title = new QLabel(loc("Tell us what happened"));
    title->setStyleSheet(QStringLiteral("font-size: 18px; font-weight: 600;"));
    auto* intro = new QLabel(
        loc("Your mail program opens with your message ready to send, so you see everything "
            "that leaves this computer."));
    intro->setWordWrap(true);
    layout->addWidget(title);
    layout->addWidget(intro);

    text_ = new QPlainTextEdit;
    text_->setObjectName(QStringLiteral("feedbackText"));
    text_->setPlaceholderText(loc("Describe the problem or your idea..."));
    text_->setStyleSheet(
        QStringLiteral("border: 1px solid #C8C8C8; border-radius: 6px; padding: 4px;"));
    layout->addWidget(text_, 1);

    email_ = new QLineEdit;
    email_->setObjectName(QStringLiteral("feedbackEmail"));
    email_->setPlaceholderText(loc("Your e-mail address, if you would like an answer"));
    layout->addWidget(email_);

    attach_ = new QCheckBox(loc("Attach logs"));
    attach_->setObjectName(QStringLiteral("attachLogs"));
    attach_->setChecked(!config_.logsPath.empty());
    attach_->setEnabled(!config_.logsPath.empty());
    attach_->setToolTip(
        locFormat("Packs the files of %@ into a ZIP archive: Orvane's diagnostics and the "
                  "record of what it removed.",
                  {displayPath(config_.logsPath)}));
    layout->addWidget(attach_);

    auto* pid = new QLabel(locFormat("Product ID: %@", {qs(config_.pid)}));
    pid->setObjectName(QStringLiteral("feedbackPid"));
    pid->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pid->setStyleSheet(QStringLiteral("color: #808080;"));
    layout->addWidget(pid);

    auto* links = new QHBoxLayout;
    const std::pair<const char*, const std::optional<std::string>*> addresses[] = {
        {"Order questions", &config_.orderURL},
        {"Technical problems", &config_.technicalURL},
        {"Product support", &config_.supportURL}};
    for (const auto& [label, address] : addresses) {
        if (!*address) continue;
        const QString url = qs(**address);
        auto* link = new QLabel(QStringLiteral("<a href=\"%1\" style=\"color:#3A61F6\">%2</a>")
                                    .arg(url.toHtmlEscaped(), loc(label).toHtmlEscaped()));
        link->setObjectName(QStringLiteral("helpLink"));
        link->setOpenExternalLinks(true);
        link->setToolTip(url);
        links->addWidget(link);
        links_ << url;
    }
    links->addStretch();
    layout->addLayout(links);

    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("feedbackStatus"));
    status_->setWordWrap(true);
    layout->addWidget(status_);

    thanks_ = new QLabel;
    thanks_->setObjectName(config_.okImageName);
    thanks_->setWordWrap(true);
    thanks_->hide();
    layout->addWidget(thanks_);

    auto* buttons = new QHBoxLayout;
    save_ = new QPushButton(loc("Save Archive..."));
    save_->setObjectName(QStringLiteral("feedbackSave"));
    save_->setStyleSheet(theme::outlineButton());
    send_ = new QPushButton(loc("Send"));
    send_->setObjectName(QStringLiteral("feedbackSend"));
    send_->setStyleSheet(theme::themeButton());
    send_->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(send_);
    layout->addLayout(buttons);
    connect(send_, &QPushButton::clicked, this, &FeedbackWindowController::send);
    connect(save_, &QPushButton::clicked, this, &FeedbackWindowController::chooseSavePath);
}

void FeedbackWindowController::setMessage(const QString& text) { text_->setPlainText(text); }
void FeedbackWindowController::setEmail(const QString& email) { email_->setText(email); }
void FeedbackWindowController::setAttachLogs(bool attach) { attach_->setChecked(attach); }
QString FeedbackWindowController::statusText() const { return status_->text(); }
bool FeedbackWindowController::isShowingThanks() const { return !thanks_->isHidden(); }
QStringList FeedbackWindowController::helpLinks() const { return links_; }

void FeedbackWindowController::setStatus(const QString& text, bool error) {
    status_->setText(text);
    status_->setStyleSheet(error ? QStringLiteral("color: #C62828;")
                                 : QStringLiteral("color: #404040;"));
}

void FeedbackWindowController::showThanks(const QString& text) {
    thanks_->setText(text);
    thanks_->show();
    setStatus({}, false);
}

bool FeedbackWindowController::validate() {
    const QString text = text_->toPlainText().trimmed();
    if (text.isEmpty()) {
        setStatus(loc("Please describe the problem or your idea first."), true);
        text_->setFocus();
        return false;
    }
    if (text.size() > kMaxMessageChars) {
        setStatus(locFormat("The message is longer than %@ characters. Shorten it, or save the "
                            "archive and attach "
                            "it to a mail yourself.",
                            {countText(kMaxMessageChars)}),
                  true);
        return false;
    }
    const QString email = email_->text().trimmed();
    static const QRegularExpression address(QStringLiteral("^[^@\\s]+@[^@\\s]+\\.[^@\\s]+$"));
    if (!email.isEmpty() && !address.match(email).hasMatch()) {
        setStatus(loc("That e-mail address does not look right. Correct it or leave it empty."),
                  true);
        email_->setFocus();
        return false;
    }
    return true;
}

std::string FeedbackWindowController::messageText() const {
    QString body = text_->toPlainText().trimmed();
    body += QStringLiteral("\n\n--\n");
    const QString email = email_->text().trimmed();
    if (!email.isEmpty()) body += QStringLiteral("Reply to: %1\n").arg(email);
    body += QStringLiteral("Product ID: %1\nVersion: %2\nSystem: %3\n")
                .arg(qs(config_.pid), qs(config_.version), QSysInfo::prettyProductName());
    return body.toStdString();
}

QString FeedbackWindowController::makeArchive(const QString& path) {
    const std::string folder = attach_->isChecked() ? config_.logsPath : std::string();
    const support::LogArchive::Result result =
        support::LogArchive::pack(folder, pathBytes(path), {{"feedback.txt", messageText()}});
    if (!result.ok) {
        setStatus(qs(result.error), true);
        return {};
    }
    if (!result.leftOut.empty())
        ORVANE_LOG("feedback archive: " + std::to_string(result.leftOut.size()) +
                   " log files over the size budget");
    return path;
}

bool FeedbackWindowController::saveTo(const QString& path) {
    if (!validate()) return false;
    if (makeArchive(path).isEmpty()) return false;
    showThanks(locFormat("Saved to %@. Attach it to a mail to %@, or keep it for later.",
                         {path, qs(config_.recipient)}));
    return true;
}

void FeedbackWindowController::chooseSavePath() {
    if (!validate()) return;
    const QString suggested = QDir::home().filePath(QStringLiteral("Orvane feedback.zip"));
    const QString path = QFileDialog::getSaveFileName(this, loc("Save Feedback Archive"), suggested,
                                                      loc("ZIP archives (*.zip)"));
    if (!path.isEmpty()) saveTo(path);
}

void FeedbackWindowController::send() {
    if (!validate()) return;
    QStringList args{QStringLiteral("--utf8"), QStringLiteral("--subject"),
                     locFormat("Orvane feedback (%@ %@)", {qs(config_.pid), qs(config_.version)}),
                     QStringLiteral("--body"), QString::fromStdString(messageText())};
    if (attach_->isChecked()) {
        const QString stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        const QString archive =
            makeArchive(QDir::temp().filePath(QStringLiteral("orvane-feedback-%1.zip").arg(stamp)));
        if (archive.isEmpty()) return;
        args << QStringLiteral("--attach") << archive;
    }
    args << qs(config_.recipient);

    send_->setEnabled(false);
    setStatus(loc("Opening your mail program..."), false);
    auto* process = new QProcess(this);
    process->setProgram(config_.mailProgram);
    process->setArguments(args);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    const QString fallback = locFormat(
        "No mail program could be opened. Use Save Archive... and attach the file to a "
        "mail to %@.",
        {qs(config_.recipient)});
    connect(process, &QProcess::errorOccurred, this,
            [this, process, fallback](QProcess::ProcessError error) {
                if (error != QProcess::FailedToStart) return;
                send_->setEnabled(true);
                setStatus(fallback, true);
                process->deleteLater();
            });
    connect(
        process, &QProcess::finished, this,
        [this, process, fallback](int code, QProcess::ExitStatus status) {
            send_->setEnabled(true);
            process->deleteLater();
            if (status != QProcess::NormalExit || code != 0) {
                setStatus(fallback, true);
                return;
            }
            showThanks(loc(
                "Thank you. Your mail program has opened with the message; send it from there."));
            Q_EMIT sent();
        });
    process->start();
}

FeedbackWindowController::Config FeedbackManager::configFromInfo() {
    const support::AppInfo& info = support::AppInfo::shared();
    FeedbackWindowController::Config config;
    config.logsPath = kit::logDirectory();
    config.pid = info.text(support::infokey::pid);
    config.version = support::CBSUtilitie::version(info);
    config.recipient = info.text(support::infokey::feedbackMail);
    config.orderURL = support::CBSUtilitie::url(info, support::infokey::orderCommonURL, true);
    config.technicalURL = support::CBSUtilitie::url(info, support::infokey::productCommonURL, true);
    config.supportURL = support::CBSUtilitie::url(info, support::infokey::helpOnlineURL, true);
    return config;
}

void FeedbackManager::showFeedback(QWidget* parent) {
    if (!gWindow) {
        gWindow = new FeedbackWindowController(configFromInfo(), parent);
        gWindow->setWindowFlag(Qt::Window);
    }
    gWindow->show();
    gWindow->raise();
    gWindow->activateWindow();
}

FeedbackWindowController* FeedbackManager::window() { return gWindow; }

}  // namespace orvane::app
