#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTextBrowser;

namespace orvane::app {

// The one window an update check answers in: a newer version with its notes and a download
// button (or, for a packaged copy, how to update it), "up to date", or why the check failed.
class UpdateWindowController : public QDialog {
    Q_OBJECT
public:
    explicit UpdateWindowController(QWidget* parent = nullptr);

    // `advice` non-empty: the copy is managed by a package manager and there is no download.
    void showAvailable(const QString& version, const QString& current, const QString& notes,
                       const QString& advice);
    void showUpToDate(const QString& current);
    void showFailed(const QString& error);

    QString titleText() const;
    QString messageText() const;
    QString notesText() const;
    bool offersDownload() const;
    QPushButton* downloadButton() const { return download_; }

Q_SIGNALS:
    void downloadRequested();

private:
    void present(const QString& title, const QString& message, const QString& notes, bool download);

    QLabel* title_ = nullptr;
    QLabel* message_ = nullptr;
    QTextBrowser* notes_ = nullptr;
    QPushButton* download_ = nullptr;
    QPushButton* close_ = nullptr;
};

}  // namespace orvane::app
