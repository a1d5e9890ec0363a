// The junk module's part of the screenshot tour: a home with the caches, logs, downloads and
// Trash people accumulate (and a few things that only look like junk), scanned for real.
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/junk/CleanUpResultNewViewController.h"
#include "app/junk/JunkViewController.h"
#include "app/junk/LeftCleanUpListViewController.h"
#include "app/junk/RightCleanUpListViewController.h"
#include "app/shell/LeftListViewController.h"
#include "app/shell/MainViewController.h"
#include "app/shell/MainWindow.h"
#include "core/junk/CleanManager.h"
#include "kit/Paths.h"
#include "screenshots/ScreenshotSteps.h"

namespace orvane::app {

namespace {

void put(const std::string& path, std::size_t size) {
    std::filesystem::create_directories(kit::parentPath(path));
    std::ofstream out(path, std::ios::binary);
    const std::string block(4096, 'j');
    for (std::size_t left = size; left > 0;) {
        const std::size_t n = std::min(left, block.size());
        out.write(block.data(), static_cast<std::streamsize>(n));
        left -= n;
    }
}

void makeJunkHome(const std::string& home) {
    for (int i = 0; i < 40; ++i)
        put(home + "/.cache/thumbnails/normal/t" + std::to_string(i) + ".png", 30'000);
    for (int i = 0; i < 12; ++i)
        put(home + "/.cache/thumbnails/large/t" + std::to_string(i) + ".png", 120'000);
    put(home + "/.cache/pip/http-v2/a/b/wheel", 4'200'000);
    put(home + "/.npm/_cacache/content-v2/sha512/ab/pkg", 2'600'000);
    put(home + "/.cache/go-build/ab/obj-d", 1'900'000);
    put(home + "/.cache/chromium/Default/Cache/Cache_Data/f_0001", 6'400'000);
    put(home + "/.cache/chromium/Default/Code Cache/js/bundle", 1'100'000);
    put(home + "/.cache/mozilla/firefox/x1y2.default/cache2/entries/ABCDEF", 3'300'000);
    put(home + "/.local/share/Trash/files/old draft.odt", 80'000);
    put(home + "/.local/share/Trash/files/screenshot.png", 900'000);
    put(home + "/Downloads/app_2.0_amd64.deb", 14'000'000);
    put(home + "/Downloads/tool-x86_64.AppImage", 38'000'000);
    put(home + "/.xsession-errors", 220'000);
    // Look-alikes: listed nowhere.
    put(home + "/.mozilla/firefox/x1y2.default/cookies.sqlite", 90'000);
    put(home + "/.cache/keepassxc/keepassxc.ini", 500);
}

bool waitFor(ScreenshotWriter& out, const std::function<bool()>& done, int ms = 30'000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) out.settleEvents(20);
    return done();
}

}  // namespace

void runJunkScreenshots(ScreenshotWriter& out, MainWindow& window) {
    makeJunkHome(kit::customHomeDirectory());
    MainViewController* main = window.mainView();
    main->displayViewWithType(ModuleType::cleanJunk);
    main->leftList()->selectType(ModuleType::cleanJunk);
    auto* screen = qobject_cast<JunkViewController*>(main->screenFor(ModuleType::cleanJunk));
    if (!screen) {
        out.save(&window, QStringLiteral("50-junk-missing"));
        return;
    }
    out.save(&window, QStringLiteral("50-junk-home"));
    screen->scanButton()->click();
    // Grabbed as soon as the first kinds report, while the rest is still running.
    waitFor(
        out,
        [&] {
            return screen->progressBar()->value() > 0 ||
                   screen->page() != JunkViewController::Page::scanning;
        },
        5'000);
    out.save(&window, QStringLiteral("51-junk-scanning"));
    waitFor(out, [&] { return screen->page() == JunkViewController::Page::summary; });
    out.save(&window, QStringLiteral("52-junk-summary"));
    // The Trash's items with one unticked, so the boxes above it show "some".
    CleanUpResultNewViewController* results = screen->resultsScreen();
    results->leftVC->tableView->setCurrentCell(2, 0);
    if (QTreeWidgetItem* group = results->rightVC->scanOutlineView->topLevelItem(0)) {
        group->setExpanded(true);
        if (group->childCount() > 1) group->child(1)->setCheckState(0, Qt::Unchecked);
    }
    out.save(&window, QStringLiteral("53-junk-results-trash"));
    results->cleanButton->click();
    // Held after its first items so the screen is caught mid-way.
    screen->manager().pauseClean();
    out.settleEvents(300);
    out.save(&window, QStringLiteral("54-junk-cleaning"));
    screen->manager().resumeClean();
    waitFor(out, [&] { return screen->page() == JunkViewController::Page::finished; });
    out.save(&window, QStringLiteral("55-junk-cleaned"));
}

}  // namespace orvane::app
