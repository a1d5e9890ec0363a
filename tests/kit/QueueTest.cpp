#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "kit/DispatchQueue.h"
#include "kit/MainQueue.h"
#include "kit/OperationQueue.h"

using namespace orvane::kit;
using namespace std::chrono_literals;

TEST(OperationQueue, NeverRunsMoreThanItsLimitAtOnce) {
    for (int limit : {1, 2, 5}) {
        OperationQueue queue("limit", limit);
        std::atomic<int> running{0}, peak{0}, done{0};
        for (int i = 0; i < 20; ++i) {
            queue.addOperation([&] {
                int now = ++running;
                int p = peak.load();
                while (now > p && !peak.compare_exchange_weak(p, now)) {}
                std::this_thread::sleep_for(2ms);
                --running;
                ++done;
            });
        }
        queue.waitUntilAllOperationsAreFinished();
        EXPECT_EQ(done, 20);
        EXPECT_LE(peak, limit);
        if (limit > 1) {
            EXPECT_GT(peak, 1) << "work should overlap when allowed";
        }
        EXPECT_EQ(queue.operationCount(), 0u);
    }
}

TEST(OperationQueue, SerialQueueKeepsSubmissionOrder) {
    OperationQueue queue("serial", 1);
    std::vector<int> order;
    for (int i = 0; i < 50; ++i) queue.addOperation([&order, i] { order.push_back(i); });
    queue.waitUntilAllOperationsAreFinished();
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(order[i], i);
}

TEST(OperationQueue, CancelSkipsPendingWorkButStillCompletesIt) {
    OperationQueue queue("cancel", 1);
    std::atomic<bool> release{false};
    std::atomic<int> ran{0}, completed{0};
    auto blocker = std::make_shared<BlockOperation>([&] {
        while (!release) std::this_thread::sleep_for(1ms);
        ++ran;
    });
    blocker->setCompletionBlock([&] { ++completed; });
    queue.addOperation(blocker);
    std::vector<std::shared_ptr<BlockOperation>> pending;
    for (int i = 0; i < 5; ++i) {
        auto op = std::make_shared<BlockOperation>([&] { ++ran; });
        op->setCompletionBlock([&] { ++completed; });
        pending.push_back(op);
        queue.addOperation(op);
    }
    // Cancel only once the first operation is really running, however busy the machine is.
    while (!blocker->isExecuting()) std::this_thread::sleep_for(1ms);
    queue.cancelAllOperations();
    EXPECT_TRUE(blocker->isCancelled()) << "running work sees the cancel flag";
    release = true;
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ran, 1) << "only the operation already running did its work";
    EXPECT_EQ(completed, 6) << "completion blocks run for cancelled operations too";
    for (auto& op : pending) EXPECT_TRUE(op->isFinished());
}

TEST(OperationQueue, SuspendHoldsWorkUntilResumed) {
    OperationQueue queue("suspend", 2);
    queue.setSuspended(true);
    std::atomic<int> ran{0};
    for (int i = 0; i < 4; ++i) queue.addOperation([&] { ++ran; });
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(queue.operationCount(), 4u);
    queue.setSuspended(false);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ran, 4);
}

TEST(DispatchQueue, SyncReturnsAfterTheBlockRan) {
    DispatchQueue q("sync");
    int value = 0;
    q.async([&] {
        std::this_thread::sleep_for(5ms);
        value = 1;
    });
    q.sync([&] { value *= 10; });
    EXPECT_EQ(value, 10);
}

TEST(MainLoop, RunsPostedWorkOnItsOwnThreadAndDelaysFire) {
    MainLoop loop;
    const auto mainId = std::this_thread::get_id();
    std::atomic<int> hits{0};
    bool onMain = false;
    std::thread([&] {
        MainQueue::post([&] {
            onMain = std::this_thread::get_id() == mainId && MainQueue::isMainThread();
            ++hits;
        });
    }).join();
    const auto start = std::chrono::steady_clock::now();
    delay(0.05, [&] { ++hits; });
    EXPECT_TRUE(loop.runUntil([&] { return hits == 2; }, 2s));
    EXPECT_TRUE(onMain);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 45ms);
}

TEST(MainQueue, PostIfAliveDropsWorkForAGoneOwner) {
    MainLoop loop;
    int calls = 0;
    auto owner = std::make_shared<int>(1);
    MainQueue::postIfAlive(std::weak_ptr<int>(owner), [&](int&) { ++calls; });
    std::weak_ptr<int> gone;
    {
        auto tmp = std::make_shared<int>(2);
        gone = tmp;
    }
    MainQueue::postIfAlive(gone, [&](int&) { ++calls; });
    loop.drain();
    EXPECT_EQ(calls, 1);
}
