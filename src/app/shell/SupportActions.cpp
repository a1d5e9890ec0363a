#include "app/shell/SupportActions.h"

#include <QAction>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QToolBar>

#include "app/common/Text.h"
#include "app/history/HistoryWindowController.h"
#include "app/support/FeedbackWindowController.h"
#include "app/support/UpdateManager.h"
#include "core/support/AppInfo.h"
#include "kit/Log.h"

namespace orvane::app {

namespace {
QPointer<HistoryWindowController> gHistory;
}

HistoryWindowController* showHistory(QWidget* window) {
    if (!gHistory) {
        gHistory = new HistoryWindowController(window);
        gHistory->setWindowFlag(Qt::Window);
    }
    gHistory->show();
    gHistory->raise();
    gHistory->activateWindow();
    return gHistory;
}

void installSupportActions(QMainWindow* window, QMenu* menu) {
    QAction* history = menu->addAction(loc("History..."));
    history->setObjectName(QStringLiteral("historyAction"));
    history->setShortcut(QKeySequence(QStringLiteral("Ctrl+H")));
    history->setIconText(loc("History"));
    QObject::connect(history, &QAction::triggered, window, [window] { showHistory(window); });

    QAction* update = menu->addAction(loc("Check for Updates..."));
    update->setObjectName(QStringLiteral("checkUpdateAction"));
    update->setMenuRole(QAction::ApplicationSpecificRole);
    QObject::connect(update, &QAction::triggered, window, [window] {
        loadApplicationInfo();
        UpdateManager::shared().setParentWindow(window);
        UpdateManager::shared().checkUpdate(false);
    });

    QAction* feedback = menu->addAction(loc("Send Feedback..."));
    feedback->setObjectName(QStringLiteral("feedBackAction"));
    QObject::connect(feedback, &QAction::triggered, window, [window] {
        loadApplicationInfo();
        FeedbackManager::showFeedback(window);
    });

    QToolBar* bar = window->addToolBar(loc("Tools"));
    bar->setObjectName(QStringLiteral("mainToolBar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addAction(history);
}

void loadApplicationInfo() {
    static bool loaded = false;
    if (loaded) return;
    loaded = true;
    QFile file(QStringLiteral(":/Info.plist"));
    if (!file.open(QIODevice::ReadOnly)) {
        ORVANE_LOG("application information list missing from the resources");
        return;
    }
    const QByteArray bytes = file.readAll();
    std::string error;
    auto info = support::AppInfo::fromPropertyList(
        std::string_view(bytes.constData(), bytes.size()), &error);
    if (!info) {
        ORVANE_LOG("application information list unreadable: " + error);
        return;
    }
    support::AppInfo::install(std::move(*info));
}

void startSupportServices(QWidget* window) {
    loadApplicationInfo();
    UpdateManager::shared().setParentWindow(window);
    UpdateManager::shared().checkUpdate(true);
}

}  // namespace orvane::app
