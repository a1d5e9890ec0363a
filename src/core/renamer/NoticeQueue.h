#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace orvane::renamer {

// Notices waiting to be shown, released in batches so that a large refused drop never covers
// the window: at most maxBatchCount at a time, the next batch once the shown ones are dismissed.
class NoticeQueue {
public:
    static constexpr std::size_t maxBatchCount = 7;
    static constexpr double panelAutoDismissDelay = 1.0;  // seconds

    void enqueue(const std::vector<std::string>& notices);
    // The next batch to show, if none is showing; empty otherwise.
    std::vector<std::string> nextBatch();
    // The shown batch went away.
    void batchDismissed() { activePanels = 0; }

    std::size_t pending() const { return panelQueue.size(); }
    std::size_t showing() const { return activePanels; }

private:
    std::deque<std::string> panelQueue;
    std::size_t activePanels = 0;
};

}  // namespace orvane::renamer
