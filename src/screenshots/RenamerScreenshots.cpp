// The renamer's part of the screenshot tour: a few documents of a small home are added, named
// by the built-in namer, renamed for real, and the renaming undone.
#include <QElapsedTimer>
#include <QPushButton>

#include <filesystem>
#include <fstream>

#include "app/renamer/AIRenamerViewController.h"
#include "app/shell/LeftListViewController.h"
#include "app/shell/MainViewController.h"
#include "app/shell/MainWindow.h"
#include "core/renamer/FileRenamer.h"
#include "kit/Paths.h"
#include "screenshots/ScreenshotSteps.h"

namespace orvane::app {

namespace {

std::string write(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(kit::parentPath(path));
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

bool waitFor(ScreenshotWriter& out, const std::function<bool()>& done, int ms = 30'000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) out.settleEvents(20);
    return done();
}

}  // namespace

void runRenamerScreenshots(ScreenshotWriter& out, MainWindow& window) {
    const std::string docs = kit::customHomeDirectory() + "/Documents/Inbox";
    const std::vector<std::string> files = {
        write(docs + "/scan0001.txt", "Tenancy Agreement\nThe landlord and the tenant agree..."),
        write(docs + "/notes.md",
              "---\nauthor: Ana Silva\n---\n# Lisbon Trip Plan\nDay one: Alfama"),
        write(docs + "/export.csv", "Date,Amount,Category\n2024-03-01,12.50,Food\n"),
        write(docs + "/untitled.json", "{\"project\":\"Harbour\",\"budget\":120000}"),
        write(docs + "/empty.txt", ""),
        write(docs + "/slides.key", "not a supported kind"),
    };

    MainViewController* main = window.mainView();
    main->displayViewWithType(ModuleType::aiRenamer);
    main->leftList()->selectType(ModuleType::aiRenamer);
    auto* screen = qobject_cast<AIRenamerViewController*>(main->screenFor(ModuleType::aiRenamer));
    if (!screen) {
        out.save(&window, QStringLiteral("40-renamer-missing"));
        return;
    }
    out.save(&window, QStringLiteral("40-renamer-add"));

    screen->dragDrop(files);
    out.save(&window, QStringLiteral("41-renamer-list-and-notices"));
    screen->startRenaming();
    waitFor(out, [&] { return !screen->renamer().isRunning; });
    out.save(&window, QStringLiteral("42-renamer-named"));

    screen->applyNames();
    waitFor(out, [&] { return screen->page() == AIRenamerViewController::Page::summary; });
    out.save(&window, QStringLiteral("43-renamer-summary"));
    screen->undoLastRenaming();
    out.save(&window, QStringLiteral("44-renamer-undone"));
}

}  // namespace orvane::app
