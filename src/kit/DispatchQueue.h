#pragma once

#include <functional>
#include <string>

#include "kit/OperationQueue.h"

namespace orvane::kit {

// A named serial queue: blocks run one at a time in submission order.
class DispatchQueue {
public:
    explicit DispatchQueue(std::string name) : queue_(std::move(name), 1) {}

    const std::string& name() const { return queue_.name(); }
    void async(std::function<void()> block) { queue_.addOperation(std::move(block)); }
    // Runs the block on the queue and waits for it. Never call from the queue itself.
    void sync(const std::function<void()>& block);
    // Waits until everything submitted so far has run.
    void drain() { queue_.waitUntilAllOperationsAreFinished(); }

private:
    OperationQueue queue_;
};

// The process-wide concurrent queue for detached background work.
void dispatchGlobal(std::function<void()> block);

}  // namespace orvane::kit
