#include "kit/DispatchQueue.h"

#include <future>
#include <thread>

namespace orvane::kit {

void DispatchQueue::sync(const std::function<void()>& block) {
    std::promise<void> done;
    auto finished = done.get_future();
    queue_.addOperation([&] {
        block();
        done.set_value();
    });
    finished.wait();
}

void dispatchGlobal(std::function<void()> block) {
    // Enough workers that a long scan body never starves short jobs behind it.
    static OperationQueue global(
        "orvane.global", static_cast<int>(std::max(4u, std::thread::hardware_concurrency() * 2)));
    global.addOperation(std::move(block));
}

}  // namespace orvane::kit
