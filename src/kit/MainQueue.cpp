#include "kit/MainQueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "kit/DispatchQueue.h"

namespace orvane::kit {

namespace {
std::mutex gMutex;
MainQueue::Executor gExecutor;
std::thread::id gMainThread = std::this_thread::get_id();
}  // namespace

void MainQueue::install(Executor executor) {
    std::lock_guard lock(gMutex);
    gExecutor = std::move(executor);
    gMainThread = std::this_thread::get_id();
}

void MainQueue::post(std::function<void()> block) {
    Executor exec;
    {
        std::lock_guard lock(gMutex);
        exec = gExecutor;
    }
    if (exec) {
        exec(std::move(block));
    } else {
        // No front end yet (early start-up, a library user): run in place rather than drop.
        block();
    }
}

bool MainQueue::isMainThread() {
    std::lock_guard lock(gMutex);
    return std::this_thread::get_id() == gMainThread;
}

struct MainLoop::State {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<std::function<void()>> work;
    bool woken = false;
};

MainLoop::MainLoop() : state_(std::make_shared<State>()) {
    std::weak_ptr<State> weak = state_;
    MainQueue::install([weak](std::function<void()> block) {
        if (auto s = weak.lock()) {
            {
                std::lock_guard lock(s->mutex);
                s->work.push_back(std::move(block));
            }
            s->cv.notify_all();
        }
    });
}

MainLoop::~MainLoop() {
    drain();
    MainQueue::install({});
}

void MainLoop::drain() {
    for (;;) {
        std::function<void()> block;
        {
            std::lock_guard lock(state_->mutex);
            if (state_->work.empty()) return;
            block = std::move(state_->work.front());
            state_->work.pop_front();
        }
        block();
    }
}

void MainLoop::wake() {
    {
        std::lock_guard lock(state_->mutex);
        state_->woken = true;
    }
    state_->cv.notify_all();
}

bool MainLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        drain();
        if (done()) return true;
        std::unique_lock lock(state_->mutex);
        if (!state_->cv.wait_until(lock, deadline,
                                   [&] { return !state_->work.empty() || state_->woken; })) {
            lock.unlock();
            drain();
            return done();
        }
        state_->woken = false;
    }
}

void delay(double seconds, std::function<void()> block) {
    if (seconds <= 0) {
        MainQueue::post(std::move(block));
        return;
    }
    std::thread([seconds, block = std::move(block)]() mutable {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        MainQueue::post(std::move(block));
    }).detach();
}

void delay(double seconds, DispatchQueue& queue, std::function<void()> block) {
    if (seconds <= 0) {
        queue.async(std::move(block));
        return;
    }
    std::thread([seconds, &queue, block = std::move(block)]() mutable {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        queue.async(std::move(block));
    }).detach();
}

}  // namespace orvane::kit
