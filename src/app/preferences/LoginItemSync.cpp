#include "app/preferences/LoginItemSync.h"

#include <QCoreApplication>
#include <QFile>

#include "kit/Log.h"
#include "platform/Layout.h"
#include "platform/LoginItem.h"

namespace orvane::app {

std::string setLaunchAtLogin(bool enable) {
    auto item = platform::makeLoginItem(platform::Layout::linuxLayout(),
                                        QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString());
    const platform::Outcome outcome = item->setEnabled(enable);
    if (!outcome) ORVANE_LOG("login item " + std::string(enable ? "on" : "off") + ": " + outcome.error);
    return outcome.error;
}

}  // namespace orvane::app
