#pragma once

#include <QDialog>
#include <QString>
#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace orvane::app {

// The feedback window: what happened, an optional address to answer to, the product identifier,
// the three help addresses, and the logs packed into an archive. Sending hands everything to the
// user's own mail program; saving writes the archive where the user chooses. Nothing is sent by
// Orvane itself.
class FeedbackWindowController : public QDialog {
    Q_OBJECT
public:
    struct Config {
        std::string logsPath;  // the folder packed by "attach logs"; empty: none
        std::string pid;
        std::string version;
        std::string recipient;  // the address the mail program is opened for
        std::optional<std::string> orderURL;
        std::optional<std::string> technicalURL;
        std::optional<std::string> supportURL;
        QString okImageName = QStringLiteral("bigRight");
        QString mailProgram = QStringLiteral("xdg-email");
    };

    explicit FeedbackWindowController(Config config, QWidget* parent = nullptr);

    const Config& config() const { return config_; }
    void setMessage(const QString& text);
    void setEmail(const QString& email);
    void setAttachLogs(bool attach);

    // Opens the mail program with the message and, when logs are attached, the archive. The
    // answer comes through sent() or in the status line.
    void send();
    // Writes the archive (message and, when chosen, the logs) to `path`; false with the status
    // line telling why.
    bool saveTo(const QString& path);

    QString statusText() const;
    bool isShowingThanks() const;
    // The help addresses as shown, in the order order, technical, support (absent ones left out).
    QStringList helpLinks() const;

Q_SIGNALS:
    void sent();

private:
    // Checks the fields; false with the status line saying what to fix.
    bool validate();
    std::string messageText() const;
    QString makeArchive(const QString& path);
    void setStatus(const QString& text, bool error);
    void showThanks(const QString& text);
    void chooseSavePath();

    Config config_;
    QPlainTextEdit* text_ = nullptr;
    QLineEdit* email_ = nullptr;
    QCheckBox* attach_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* thanks_ = nullptr;
    QPushButton* send_ = nullptr;
    QPushButton* save_ = nullptr;
    QStringList links_;
};

// Opens the feedback window (one for the whole run) with the product's identifier, addresses and
// log folder.
class FeedbackManager {
public:
    static void showFeedback(QWidget* parent = nullptr);
    static FeedbackWindowController::Config configFromInfo();
    static FeedbackWindowController* window();
};

}  // namespace orvane::app
