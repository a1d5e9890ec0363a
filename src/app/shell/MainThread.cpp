#include "app/shell/MainThread.h"

#include <QCoreApplication>
#include <QPointer>

#include <functional>

#include "kit/MainQueue.h"

namespace orvane::app {

void installQtMainQueue() {
    // The receiver is a child of the application object, so posted work dies with the loop that
    // would have run it instead of running on a half-destroyed program.
    static QPointer<QObject> receiver;
    if (!receiver) {
        receiver = new QObject(QCoreApplication::instance());
        QObject::connect(receiver, &QObject::destroyed,
                         [] { kit::MainQueue::install([](std::function<void()>) {}); });
    }
    QPointer<QObject> target = receiver;
    kit::MainQueue::install([target](std::function<void()> block) {
        if (!target) return;
        QMetaObject::invokeMethod(
            target, [block = std::move(block)] { block(); }, Qt::QueuedConnection);
    });
}

}  // namespace orvane::app
