#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

#include "app/shell/ModuleType.h"

class QLabel;
class QPushButton;

namespace orvane::app {

class ProgressRing;

// The left panel of the scanning screen: progress, elapsed time and what was found so far.
class LeftScanningViewController : public QWidget {
    Q_OBJECT
public:
    explicit LeftScanningViewController(ModuleType module, QWidget* parent = nullptr);

    double progressValue = 0;
    double lastProgressValue = 0;
    double timeSeconds = 0;
    QTimer myTimer;

    void showProgress(double value);
    void showElapsed();
    void showFound(long long count, std::uint64_t size);

    QLabel* elapsedLabel() const { return elapsed_; }
    QLabel* foundLabel() const { return found_; }
    QLabel* progressLabel() const { return progress_; }

private:
    QLabel* progress_ = nullptr;
    QLabel* elapsed_ = nullptr;
    QLabel* found_ = nullptr;
    QLabel* foundSize_ = nullptr;
};

// The scanning screen shared by the duplicate, similar-photo and large-file modules. It shows
// what the driver reports; stopping the driver is left to the owner through `stopConfirmed`.
class ScanningViewController : public QWidget {
    Q_OBJECT
public:
    // Texts and counters follow `module` (by default the module on screen).
    explicit ScanningViewController(ModuleType module = cur, QWidget* parent = nullptr);

    ModuleType module() const { return module_; }

    // Resets every figure and starts the elapsed-time clock.
    void startScanning();
    // Takes a new progress value unless it would move the bar back or the scan was stopped.
    void scanProgress(double value);
    void scaningPath(const std::string& path);
    // Duplicate module: sizes found so far by kind.
    void setKindSizes(std::uint64_t documents, std::uint64_t photosAndVideos, std::uint64_t others);
    // Duplicate module: files in duplicate groups so far and their size.
    void setDuplicatesFound(long long count, std::uint64_t size);
    // Large files: files in the all-files group; similar photos: images examined.
    void setScannedCount(long long count);
    // Similar photos: images found similar so far.
    void setSimilarFound(long long count);
    // The scan ended (finished or stopped): the clock stops, and a stop question still open is
    // withdrawn, since there is nothing left to stop.
    void scanFinished();
    // The scan was stopped from elsewhere: the bar freezes where it is.
    void markStopped();
    bool isStopped() const { return stopped_; }

    // Called when the user confirmed the stop question.
    std::function<void()> stopConfirmed;
    // Optional: the driver's own stop flag, so a stop set elsewhere also freezes the bar.
    std::function<bool()> isDriverStopping;

    // Opens the stop question; the answer arrives through stopConfirmed. Does nothing once the
    // scan has ended.
    void requestStop();
    // The stop question while it is open.
    QMessageBox* stopQuestion() const { return question_; }

    // One tick of the 0.1 s clock (the timer calls it; tests too).
    void tick();

    // "999999+ Items" for counts of a million or more, else the grouped number and "Items".
    static QString foundItemsText(long long count);
    // Title and stop question of a module.
    static QString titleFor(ModuleType module);
    static QString stopQuestionFor(ModuleType module);

    LeftScanningViewController* leftPanel() const { return left_; }
    ProgressRing* ring() const { return ring_; }
    QLabel* titleLabel() const { return title_; }
    QLabel* pathLabel() const { return path_; }
    QLabel* counterLabel(int index) const { return counters_[index]; }
    QPushButton* stopButton() const { return stop_; }

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    void updatePathText();

    ModuleType module_;
    bool stopped_ = false;
    bool finished_ = false;
    QPointer<QMessageBox> question_;
    LeftScanningViewController* left_ = nullptr;
    ProgressRing* ring_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* path_ = nullptr;
    QLabel* counters_[3] = {};
    QLabel* counterTitles_[3] = {};
    QPushButton* stop_ = nullptr;
    QString fullPath_;
};

}  // namespace orvane::app
