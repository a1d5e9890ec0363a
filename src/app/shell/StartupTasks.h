#pragma once

#include <functional>
#include <memory>

class QWidget;

namespace orvane::platform {
class LoginItem;
}

namespace orvane::app {

// What the program sets up once at launch besides its window: remembered defaults, the
// duplicate finder's settings snapshot, and the login item the user asked for.
class StartupTasks {
public:
    // Runs every task; alerts (a login item that could not be set) appear over `window`.
    static void run(QWidget* window);

    // Starts or stops starting with the session as "autoStartup" says; on failure shows "Status
    // bar setting failed" with "Retry". Returns whether the entry now matches the setting.
    // `refresh` rewrites an entry that is already on, so that after an update it names the
    // program that runs now.
    static bool applyLoginItem(QWidget* window, platform::LoginItem& item, bool autoStartup,
                               bool refresh = false);
};

}  // namespace orvane::app
