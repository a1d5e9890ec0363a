#pragma once

#include <QString>

class QMessageBox;
class QWidget;

namespace orvane::app {

class MainWindow;

// Writes grabs of widgets as PNG files and counts what failed.
class ScreenshotWriter {
public:
    explicit ScreenshotWriter(QString dir);
    bool save(QWidget* widget, const QString& name);
    QMessageBox* openMessage();
    void saveAndCloseMessage(const QString& name);
    void settleEvents(int ms = 30);
    int failures() const { return failures_; }
    const QString& dir() const { return dir_; }

private:
    QString dir_;
    int failures_ = 0;
};

// The module screens' part of the tour (scan results, removal), run after the shell's part.
void runModuleScreenshots(ScreenshotWriter& out, MainWindow& window);
// The History, update and feedback windows.
void runSupportScreenshots(ScreenshotWriter& out, MainWindow& window);

}  // namespace orvane::app
