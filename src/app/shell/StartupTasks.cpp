#include "app/shell/StartupTasks.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include "app/common/Alerts.h"
#include "app/common/Text.h"
#include "app/preferences/LoginItemSync.h"
#include "core/duplicates/ScanManager.h"
#include "core/settings/PerferenceInfo.h"
#include "core/settings/UserDefaults.h"
#include "kit/Log.h"
#include "platform/Layout.h"
#include "platform/LoginItem.h"

namespace orvane::app {

bool StartupTasks::applyLoginItem(QWidget* window, platform::LoginItem& item, bool autoStartup,
                                  bool refresh) {
    if (item.isEnabled() == autoStartup && !(autoStartup && refresh)) return true;
    const platform::Outcome outcome = item.setEnabled(autoStartup);
    if (outcome.ok()) return true;
    ORVANE_LOG("login item: " + outcome.error);
    QPointer<QWidget> owner(window);
    platform::LoginItem* target = &item;
    showAlert(
        window, loc("Status bar setting failed"), loc("Retry"),
        [owner, target, autoStartup] {
            if (owner) applyLoginItem(owner, *target, autoStartup);
        },
        qs(outcome.error));
    return false;
}

void StartupTasks::run(QWidget* window) {
    settings::UserDefaults& defaults = settings::UserDefaults::standard();
    if (!defaults.integerForKey(settings::defaultskey::dupImageRemoveType).value_or(0))
        defaults.setInteger(settings::defaultskey::dupImageRemoveType, 0);
    const bool updated =
        defaults.stringForKey(settings::defaultskey::lastKnownAppVersion).value_or("") !=
        ORVANE_VERSION;
    defaults.setString(settings::defaultskey::lastKnownAppVersion, ORVANE_VERSION);

    auto preference = std::make_shared<const settings::PerferenceInfo>();
    const auto& manager = duplicates::ScanManager::shared();
    if (!manager->scaning) manager->setScanPreference(preference);

    // The entry starts the installed program (else this very one) with --background; it lives
    // as long as the window.
    static std::unique_ptr<platform::LoginItem> loginItem =
        platform::makeLoginItem(platform::Layout::current(), loginItemProgram());
    if (loginItem) applyLoginItem(window, *loginItem, preference->autoStartup, updated);
}

}  // namespace orvane::app
