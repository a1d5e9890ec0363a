#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace orvane::app {

// The sheet over the window while selected files are removed: progress, the count so far, and
// a stop button that ends the run after the file in hand.
class RemovingProgressWindowController : public QDialog {
    Q_OBJECT
public:
    explicit RemovingProgressWindowController(QWidget* parent = nullptr);
    // Opens a sheet over `window` that deletes itself once closed; `stop` ends the run.
    static RemovingProgressWindowController* openOver(QWidget* window, std::function<void()> stop);

    // The run ended: the sheet goes without reading that as the user's Stop (which would leave
    // it up saying "Remove interrupted" over the summary).
    void finish();

    void cleanProgress(double value, long long count);
    // The run was stopped: the sheet says so until it closes.
    void showInterrupted();
    bool isInterrupted() const { return interrupted_; }

    std::function<void()> stopBlock;

    QLabel* titleLabel() const { return title_; }
    QProgressBar* progressBar() const { return bar_; }
    QPushButton* stopButton() const { return stop_; }

protected:
    void reject() override;  // Escape stops, it does not hide the sheet over running work

private:
    QLabel* title_ = nullptr;
    QLabel* count_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* stop_ = nullptr;
    bool interrupted_ = false;
};

}  // namespace orvane::app
