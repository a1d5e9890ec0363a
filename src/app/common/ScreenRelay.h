#pragma once

#include <QPointer>

#include <atomic>
#include <utility>

#include "app/shell/MainThread.h"

namespace orvane::app {

// Brings a driver's reports, made on whatever thread, to a screen on the GUI thread, and drops
// them once the screen is gone or has detached itself (a screen tearing down stops listening
// before it waits for the driver). The observers of the module screens are built on it.
template <class Screen>
class ScreenRelay {
public:
    explicit ScreenRelay(Screen* screen) : screen_(screen) {}

    void detach() { detached_.store(true); }
    bool isDetached() const { return detached_.load(); }

    // Runs `fn(screen)` later on the GUI thread, if the screen still exists then.
    template <class F>
    void post(F&& fn) {
        if (detached_.load()) return;
        QPointer<Screen> screen = screen_;
        if (!screen) return;
        onMainThread(screen.data(), [screen, fn = std::forward<F>(fn)]() mutable {
            if (screen) fn(*screen);
        });
    }

private:
    QPointer<Screen> screen_;
    std::atomic<bool> detached_{false};
};

}  // namespace orvane::app
