#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace orvane::kit {

// "The main thread" is an idea of the core, not of Qt: a front end installs an executor that
// runs posted work on its main thread (the GUI posts to the Qt event loop; the command line and
// tests use MainLoop). Posting before an executor is installed runs the work on a MainLoop of
// the calling thread's choosing — see MainLoop.
class MainQueue {
public:
    using Executor = std::function<void(std::function<void()>)>;

    // Installs the executor and records the calling thread as the main thread.
    static void install(Executor executor);
    static void post(std::function<void()> block);
    static bool isMainThread();

    // Posts `block` to the main thread and calls it only if `owner` is still alive then.
    template <class T, class F>
    static void postIfAlive(const std::weak_ptr<T>& owner, F&& block) {
        post([owner, block = std::forward<F>(block)]() mutable {
            if (auto strong = owner.lock()) block(*strong);
        });
    }
};

// A minimal main loop for the command line and tests: installs itself as the main queue and
// runs posted work on the thread that calls run().
class MainLoop {
public:
    MainLoop();
    ~MainLoop();
    MainLoop(const MainLoop&) = delete;
    MainLoop& operator=(const MainLoop&) = delete;

    // Runs posted work until `done` returns true (checked after every block and on every
    // wake-up) or the timeout passes. Returns done().
    bool runUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::hours(24 * 365));
    // Runs whatever is queued now, without waiting.
    void drain();
    // Wakes run() so it re-evaluates its condition (e.g. from a signal-safe flag watcher).
    void wake();

private:
    struct State;
    std::shared_ptr<State> state_;
};

// Runs `block` once on the main queue after `seconds`; 0 posts it asynchronously.
void delay(double seconds, std::function<void()> block);
class DispatchQueue;
// Runs `block` once on `queue` after `seconds`. The queue must outlive the delay.
void delay(double seconds, DispatchQueue& queue, std::function<void()> block);

}  // namespace orvane::kit
