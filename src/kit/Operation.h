#pragma once

#include <atomic>
#include <functional>
#include <memory>

namespace orvane::kit {

// A unit of work for an OperationQueue. Cancellation is cooperative: main() polls isCancelled()
// at points where stopping leaves nothing half-done.
class Operation {
public:
    virtual ~Operation() = default;

    void cancel() { cancelled_.store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return cancelled_.load(std::memory_order_relaxed); }
    bool isExecuting() const { return executing_.load(); }
    bool isFinished() const { return finished_.load(); }

    // Runs after main() on the same thread, and also for an operation cancelled before it
    // started, so callers that count completions never lose one.
    void setCompletionBlock(std::function<void()> block) { completion_ = std::move(block); }

    // Called by the queue; runs main() unless cancelled, then the completion block.
    void start();

protected:
    virtual void main() = 0;

private:
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> executing_{false};
    std::atomic<bool> finished_{false};
    std::function<void()> completion_;
};

class BlockOperation final : public Operation {
public:
    explicit BlockOperation(std::function<void()> block) : block_(std::move(block)) {}

protected:
    void main() override {
        if (block_) block_();
    }

private:
    std::function<void()> block_;
};

using OperationPtr = std::shared_ptr<Operation>;

}  // namespace orvane::kit
