#include "core/renamer/NoticeQueue.h"

namespace orvane::renamer {

void NoticeQueue::enqueue(const std::vector<std::string>& notices) {
    panelQueue.insert(panelQueue.end(), notices.begin(), notices.end());
}

std::vector<std::string> NoticeQueue::nextBatch() {
    std::vector<std::string> batch;
    if (activePanels > 0) return batch;
    while (!panelQueue.empty() && batch.size() < maxBatchCount) {
        batch.push_back(std::move(panelQueue.front()));
        panelQueue.pop_front();
    }
    activePanels = batch.size();
    return batch;
}

}  // namespace orvane::renamer
