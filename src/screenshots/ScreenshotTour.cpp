#include "screenshots/ScreenshotTour.h"

#include "app/preferences/PreferenceViewController.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

#include "app/common/MultPathsSelectViewController.h"
#include "app/common/ScanningViewController.h"
#include "app/common/SinglePathSelectViewController.h"
#include "app/common/Text.h"
#include "app/shell/Appearance.h"
#include "app/shell/LeftListViewController.h"
#include "app/shell/MainViewController.h"
#include "app/shell/MainWindow.h"
#include "app/shell/ModuleItem.h"
#include "app/shell/PathLimitTipWindowController.h"
#include "app/shell/StartupChecks.h"
#include "kit/Paths.h"
#include "screenshots/ScreenshotSteps.h"

namespace orvane::app {

namespace {

void settle(int ms = 30) {
    QApplication::processEvents();
    QTimer t;
    t.setSingleShot(true);
    QEventLoop loop;
    QObject::connect(&t, &QTimer::timeout, &loop, &QEventLoop::quit);
    t.start(ms);
    loop.exec();
    QApplication::processEvents();
}

}  // namespace

ScreenshotWriter::ScreenshotWriter(QString dir) : dir_(std::move(dir)) { QDir().mkpath(dir_); }

bool ScreenshotWriter::save(QWidget* widget, const QString& name) {
    settle();
    const QString file = QDir(dir_).filePath(name + QStringLiteral(".png"));
    const bool ok = widget->grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", file.toLocal8Bit().constData());
    if (!ok) ++failures_;
    return ok;
}

QMessageBox* ScreenshotWriter::openMessage() {
    settle();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return box;
    return nullptr;
}

void ScreenshotWriter::saveAndCloseMessage(const QString& name) {
    if (QMessageBox* box = openMessage()) {
        save(box, name);
        box->reject();
        settle();
    } else {
        std::printf("FAILED no message box for %s\n", name.toLocal8Bit().constData());
        ++failures_;
    }
}

void ScreenshotWriter::settleEvents(int ms) { settle(ms); }

int runScreenshotTour(const QString& dir) {
    applyAppearance();
    ScreenshotWriter out(dir);
    MainWindow window;
    window.resize(1060, 700);
    window.show();
    MainViewController* main = window.mainView();

    const char* names[] = {"cleanJunk",  "similarPhotos", "duplicateFiles",
                           "largeFiles", "aiRenamer",     "appManage"};
    for (const ModuleItem& item : moduleRegistry()) {
        main->displayViewWithType(item.moduleType);
        main->leftList()->selectType(item.moduleType);
        out.save(&window, QStringLiteral("01-module-%1")
                              .arg(QLatin1String(names[static_cast<int>(item.moduleType)])));
    }
    main->leftList()->setFolded(true);
    out.save(&window, QStringLiteral("02-module-list-folded"));
    main->leftList()->setFolded(false);
    main->setLeftlistStatus(false);
    out.save(&window, QStringLiteral("02-module-list-disabled"));
    main->setLeftlistStatus(true);

    window.close();
    out.saveAndCloseMessage(QStringLiteral("03-quit-question"));

    StartupChecks::run(
        &window, [](const std::string&) { return std::optional<std::uint64_t>(150'000'000); },
        "/nonexistent-trash");
    out.saveAndCloseMessage(QStringLiteral("04-low-space-alert"));

    auto* tip = new PathLimitTipWindowController(kit::customHomeDirectory() + "/.local/share/Trash",
                                                 &window);
    tip->open();
    out.save(tip, QStringLiteral("05-trash-tip"));
    tip->findProgram = [](const QString&) { return QString(); };
    tip->goToSettings();
    out.saveAndCloseMessage(QStringLiteral("05-trash-tip-help"));

    for (ModuleType type :
         {ModuleType::duplicateFiles, ModuleType::largeFiles, ModuleType::similarPhotos}) {
        ScanningViewController scanning(type);
        scanning.resize(860, 700);
        scanning.show();
        scanning.startScanning();
        scanning.scanProgress(0.42);
        for (int i = 0; i < 653; ++i) scanning.tick();
        scanning.scaningPath(kit::customHomeDirectory() +
                             "/Documents/Projects/2024/reports/quarterly/summary-final-v3.pdf");
        scanning.setKindSizes(123'400'000, 4'560'000'000, 7'800'000);
        scanning.setDuplicatesFound(1'250'000, 4'691'200'000);
        scanning.setScannedCount(1234);
        scanning.setSimilarFound(56);
        out.save(
            &scanning,
            QStringLiteral("06-scanning-%1").arg(QLatin1String(names[static_cast<int>(type)])));
        if (type == ModuleType::duplicateFiles) {
            scanning.requestStop();
            out.saveAndCloseMessage(QStringLiteral("06-scanning-stop-question"));
        }
    }

    SinglePathSelectViewController single(loc("Duplicate_Files"),
                                          loc("Choose a folder to look for duplicate files."));
    single.resize(860, 700);
    single.show();
    out.save(&single, QStringLiteral("07-path-single"));
    single.chooser = [](QWidget*, bool) {
        return std::vector<std::string>{kit::picturesDirectory()};
    };
    single.switchToMultiple();
    single.multiView()->addPaths({"/", kit::customHomeDirectory() + "/Documents",
                                  "/tmp/a-folder-with-a-rather-long-name-for-a-tile"});
    out.save(&single, QStringLiteral("07-path-multiple"));

    window.showPreferences();
    if (auto* prefs = qobject_cast<PreferenceViewController*>(window.preferencesWindow())) {
        const char* tabs[] = {"general", "duplicates", "similar-images", "white-list"};
        for (int i = 0; i < 4; ++i) {
            prefs->showTab(static_cast<PreferenceViewController::Tab>(i));
            out.settleEvents();
            out.save(prefs, QStringLiteral("08-preferences-%1").arg(QLatin1String(tabs[i])));
        }
        prefs->close();
    }

    runModuleScreenshots(out, window);
    runSupportScreenshots(out, window);
    std::printf("%d screenshot failures\n", out.failures());
    return out.failures() == 0 ? 0 : 1;
}

}  // namespace orvane::app
