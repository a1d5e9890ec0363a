#include <QApplication>
#include <QCommandLineParser>

#include "app/shell/Appearance.h"
#include "app/shell/Icons.h"
#include "app/shell/MainThread.h"
#include "app/shell/MainWindow.h"
#include "app/shell/SingleInstance.h"
#include "app/shell/StartupChecks.h"
#include "app/shell/StartupTasks.h"
#include "app/shell/SupportActions.h"
#include "kit/Log.h"
#include "kit/Paths.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvane"));
    QApplication::setApplicationVersion(QStringLiteral(ORVANE_VERSION));
    QApplication::setOrganizationDomain(QStringLiteral("orvane.com"));
    QApplication::setDesktopFileName(QString::fromUtf8(orvane::kit::mainAppBundleID.data(),
                                                       orvane::kit::mainAppBundleID.size()));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Orvane disk maintenance"));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption background(QStringLiteral("background"),
                                  QStringLiteral("Start minimised (used when starting at login)."));
    parser.addOption(background);
    parser.process(app);

    orvane::kit::initLogging(orvane::kit::logDirectory());
    orvane::app::installQtMainQueue();
    orvane::app::applyAppearance();
    QApplication::setWindowIcon(orvane::app::appIcon(QStringLiteral("com.orvane.app")));

    orvane::app::SingleInstance instance;
    if (instance.notifyRunningInstance()) return 0;  // the running window comes forward instead
    instance.listen();

    orvane::app::MainWindow window;
    QObject::connect(&instance, &orvane::app::SingleInstance::activated, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    QObject::connect(&app, &QApplication::aboutToQuit, &window,
                     [&window] { window.prepareToTerminate(); });
    if (parser.isSet(background)) {
        window.showMinimized();
    } else {
        window.show();
    }
    orvane::app::StartupTasks::run(&window);
    orvane::app::StartupChecks::run(&window);
    orvane::app::startSupportServices(&window);
    return app.exec();
}
