#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kit/Operation.h"

namespace orvane::kit {

// Runs operations in FIFO order with at most maxConcurrentOperationCount of them at once.
// Worker threads are started on demand, up to the limit, so an unused queue costs nothing.
class OperationQueue {
public:
    OperationQueue(std::string name, int maxConcurrentOperationCount);
    ~OperationQueue();
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    const std::string& name() const { return name_; }
    int maxConcurrentOperationCount() const { return maxConcurrent_; }

    void addOperation(OperationPtr op);
    void addOperation(std::function<void()> block);

    // Marks every queued and running operation cancelled. Queued ones still pass through
    // start() (which skips main()) so their completion blocks run.
    void cancelAllOperations();

    // Blocks until nothing is queued or running. Must not be called from one of this
    // queue's own operations.
    void waitUntilAllOperationsAreFinished();

    void setSuspended(bool suspended);
    bool isSuspended() const;

    // Queued plus running.
    std::size_t operationCount() const;

private:
    void workerLoop();

    std::string name_;
    int maxConcurrent_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<OperationPtr> pending_;
    std::vector<OperationPtr> running_;
    std::vector<std::thread> workers_;
    int idleWorkers_ = 0;
    bool suspended_ = false;
    bool shuttingDown_ = false;
};

}  // namespace orvane::kit
