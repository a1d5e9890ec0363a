#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace orvane::app {

// One Orvane per user session: launching it again (from the menu, the dock, a file manager)
// brings the running window forward instead of starting a second program that would scan and
// remove beside the first.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `key` names the instance; the default is per user.
    explicit SingleInstance(QString key = defaultKey(), QObject* parent = nullptr);

    static QString defaultKey();

    // Asks a running instance to show itself. True when one answered: this launch should end.
    bool notifyRunningInstance(int timeoutMs = 1000);
    // Becomes the instance later launches talk to.
    bool listen();

Q_SIGNALS:
    // A later launch asked for the window.
    void activated();

private:
    QString key_;
    QLocalServer* server_ = nullptr;
};

}  // namespace orvane::app
