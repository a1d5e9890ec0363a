#pragma once

#include <QMetaObject>
#include <QObject>

#include <utility>

namespace orvane::app {

// Makes the Qt event loop of the calling (GUI) thread the program's main queue: work the core
// posts with kit::MainQueue runs there, in posting order. Call once after the QApplication
// exists; work posted after the application object is gone is dropped.
void installQtMainQueue();

// Runs `fn` on the GUI thread, later, and only if `context` still exists then. Driver observers
// call this from whatever thread reports so that screens never touch widgets off the GUI thread
// and never run on a screen that was closed in the meantime.
template <class F>
void onMainThread(QObject* context, F&& fn) {
    QMetaObject::invokeMethod(context, std::forward<F>(fn), Qt::QueuedConnection);
}

}  // namespace orvane::app
