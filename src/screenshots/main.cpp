// Renders every screen of the desktop program to PNG files, for review: a tool for developers,
// kept out of the program users run.
//   orvane-screenshots DIR

#include <QApplication>

#include <cstdio>

#include "app/shell/Appearance.h"
#include "app/shell/Icons.h"
#include "app/shell/MainThread.h"
#include "kit/Log.h"
#include "kit/Paths.h"
#include "screenshots/ScreenshotTour.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvane"));
    QApplication::setApplicationVersion(QStringLiteral(ORVANE_VERSION));
    QApplication::setOrganizationDomain(QStringLiteral("orvane.com"));
    QApplication::setDesktopFileName(QString::fromUtf8(orvane::kit::mainAppBundleID.data(),
                                                       orvane::kit::mainAppBundleID.size()));

    orvane::kit::initLogging(orvane::kit::logDirectory());
    orvane::app::installQtMainQueue();
    orvane::app::applyAppearance();
    QApplication::setWindowIcon(orvane::app::appIcon(QStringLiteral("leftList_duplicate")));
    return orvane::app::runScreenshotTour(QString::fromLocal8Bit(argv[1]));
}
