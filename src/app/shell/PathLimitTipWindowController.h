#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>

class QLabel;
class QPushButton;

namespace orvane::app {

// Tells the user that the Trash folder cannot be read, so the junk cleaner cannot see or empty
// it, and offers the way to fix that: the desktop's privacy settings where the desktop has them,
// else a short explanation of what to change.
class PathLimitTipWindowController : public QDialog {
    Q_OBJECT
public:
    struct Command {
        QString program;
        QStringList arguments;
    };
    // Looks a program up on PATH; returns its full path or nothing.
    using ProgramFinder = std::function<QString(const QString&)>;
    using Launcher = std::function<bool(const Command&)>;

    PathLimitTipWindowController(std::string trashPath, QWidget* parent = nullptr);

    // The desktop's privacy settings page, when a settings program that has one is installed.
    static std::optional<Command> privacySettingsCommand(const ProgramFinder& find);

    // Replaceable for tests.
    ProgramFinder findProgram;
    Launcher launch;

    // "Go to Settings": opens the settings, or shows the help text when there are none (or they
    // fail to start). Returns true when settings were opened.
    bool goToSettings();
    QString helpText() const;

    QPushButton* settingsButton() const { return settingsButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

private:
    std::string trashPath_;
    QPushButton* settingsButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace orvane::app
