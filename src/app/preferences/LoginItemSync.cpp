#include "app/preferences/LoginItemSync.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdlib>

#include "kit/Log.h"
#include "platform/Layout.h"
#include "platform/LoginItem.h"

namespace orvane::app {

std::string loginItemProgram() {
    return platform::loginItemProgram(
        QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString(),
        std::getenv("PATH"));
}

std::string setLaunchAtLogin(bool enable) {
    auto item = platform::makeLoginItem(platform::Layout::current(), loginItemProgram());
    const platform::Outcome outcome = item->setEnabled(enable);
    if (!outcome)
        ORVANE_LOG("login item " + std::string(enable ? "on" : "off") + ": " + outcome.error);
    return outcome.error;
}

}  // namespace orvane::app
