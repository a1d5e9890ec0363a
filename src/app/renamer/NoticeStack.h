#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "core/renamer/NoticeQueue.h"

class QTimer;
class QVBoxLayout;

namespace orvane::app {

// Notices that float over the top of a screen and dismiss themselves: at most seven at a
// time, the next batch once the shown ones went away.
class NoticeStack : public QWidget {
    Q_OBJECT
public:
    explicit NoticeStack(QWidget* parent);

    void show(const std::vector<std::string>& notices);
    // The texts on screen now.
    QStringList visibleNotices() const;
    std::size_t pending() const { return queue_.pending(); }
    // Shown for this long (tests shorten it).
    int dismissMilliseconds = static_cast<int>(renamer::NoticeQueue::panelAutoDismissDelay * 1000);

private:
    void showNextBatch();
    void dismissBatch();
    void place();

    renamer::NoticeQueue queue_;
    QVBoxLayout* layout_ = nullptr;
    QTimer* timer_ = nullptr;
};

}  // namespace orvane::app
