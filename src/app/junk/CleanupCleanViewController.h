#pragma once

#include <QWidget>

#include <array>
#include <cstdint>

#include "core/junk/JunkTypes.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace orvane::app {

// The cleaning screen: one row per kind with what was cleaned so far, the running total and a
// bar over every selected item. Driven by the cleaning's delegate calls, on the GUI thread.
class CleanupCleanViewController : public QWidget {
    Q_OBJECT
public:
    static constexpr int kStages = 5;
    explicit CleanupCleanViewController(QWidget* parent = nullptr);

    // `total` selected items are about to be cleaned.
    void start(std::size_t total);
    void stageStarted(junk::CleanStageType stage);
    void progress(bool success, junk::CleanStageType stage, std::int64_t size);
    void stageFinished(junk::CleanStageType stage);

    QLabel* totalLabel() const { return total_; }
    QLabel* stageStatus(int index) const { return status_[static_cast<std::size_t>(index)]; }
    QProgressBar* progressBar() const { return bar_; }
    QPushButton* stopButton() const { return stop_; }
    std::int64_t cleanedBytes() const { return bytes_; }
    static int indexOf(junk::CleanStageType stage);

private:
    void redrawStage(int index);
    std::array<QLabel*, kStages> status_{};
    std::array<long long, kStages> done_{}, failed_{};
    std::array<int, kStages> state_{};  // 0 waiting, 1 cleaning, 2 done
    QLabel* total_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* stop_ = nullptr;
    std::int64_t bytes_ = 0;
    std::size_t seen_ = 0;
};

}  // namespace orvane::app
