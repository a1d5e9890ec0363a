#include "app/preferences/LoginItemSync.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QWidget>

#include "app/common/Alerts.h"
#include "app/common/Text.h"
#include "core/settings/PerferenceInfo.h"
#include "core/settings/UserDefaults.h"
#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/MainQueue.h"
#include "platform/Layout.h"
#include "platform/LoginItem.h"

namespace orvane::app {

namespace {

std::unique_ptr<platform::LoginItem> loginItem() {
    return platform::makeLoginItem(platform::Layout::linuxLayout(),
                                   QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString());
}

void offerRetry(QPointer<QWidget> window, bool enable) {
    if (!window) return;
    askQuestion(window, loc("Status bar setting failed"), loc("Cancel"), loc("Retry"),
                [window, enable](bool retry) {
                    if (!retry) return;
                    if (!setLaunchAtLogin(enable).empty()) offerRetry(window, enable);
                });
}

}  // namespace

std::string setLaunchAtLogin(bool enable) {
    const platform::Outcome outcome = loginItem()->setEnabled(enable);
    if (!outcome) ORVANE_LOG("login item " + std::string(enable ? "on" : "off") + ": " + outcome.error);
    return outcome.error;
}

void syncLoginItemAtStartup(QWidget* window) {
    const bool wanted = settings::PerferenceInfo().autoStartup;
    auto item = loginItem();
    auto& defaults = settings::UserDefaults::standard();
    const std::string version = ORVANE_VERSION;
    const bool updated = defaults.stringForKey(settings::defaultskey::lastKnownAppVersion).value_or("") != version;
    if (item->isEnabled() == wanted && !(wanted && updated)) return;
    QPointer<QWidget> guard(window);
    // Rewriting an enabled entry is the "restart" of the login item here: the entry then names
    // the program that is running now.
    const platform::Outcome outcome = item->setEnabled(wanted);
    if (!outcome) {
        ORVANE_LOG("login item at start-up: " + outcome.error);
        kit::delay(0, [guard, wanted] { offerRetry(guard, wanted); });
        return;
    }
    defaults.setString(settings::defaultskey::lastKnownAppVersion, version);
}

}  // namespace orvane::app
