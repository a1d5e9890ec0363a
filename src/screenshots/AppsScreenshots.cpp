// The app-management module's part of the screenshot tour: a private home with an AppImage, a
// user flatpak, hand-made menu entries, their settings and caches, and the leftovers of two
// removed applications, scanned and shown.
#include <glib.h>
#include <sys/stat.h>

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <functional>

#include "app/apps/AppCleaningLogDialog.h"
#include "app/apps/AppListModel.h"
#include "app/apps/AppManageResultViewController.h"
#include "app/apps/AppManageViewController.h"
#include "app/apps/AppRemovalConfirmation.h"
#include "app/apps/AppUpdatesView.h"
#include "app/shell/LeftListViewController.h"
#include "app/shell/MainViewController.h"
#include "app/shell/MainWindow.h"
#include "core/apps/AppManager.h"
#include "kit/Paths.h"
#include "screenshots/ScreenshotSteps.h"

namespace orvane::app {

namespace {

void write(const QString& path, const QByteArray& content, bool executable = false) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return;
    f.write(content);
    f.close();
    if (executable)
        f.setPermissions(f.permissions() | QFileDevice::ExeUser | QFileDevice::ExeOwner);
}

void icon(const QString& path, const QColor& color, const QString& letter) {
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(color);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRect(4, 4, 56, 56), 14, 14);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(30);
    font.setBold(true);
    p.setFont(font);
    p.drawText(image.rect(), Qt::AlignCenter, letter);
    p.end();
    QDir().mkpath(QFileInfo(path).path());
    image.save(path, "PNG");
}

QByteArray entry(const QString& name, const QString& exec, const QString& iconName,
                 const QString& extra = {}) {
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nIcon=%3\n%4")
        .arg(name, exec, iconName, extra)
        .toUtf8();
}

QByteArray appImageBytes(int size) {
    QByteArray bytes(
        "\x7f"
        "ELF\x02\x01\x01\x00"
        "AI\x02",
        11);
    bytes.resize(size, '\0');
    return bytes;
}

QByteArray deployData(quint64 installedSize, const char* version) {
    GVariantBuilder metadata;
    g_variant_builder_init(&metadata, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&metadata, "{sv}", "appdata-version", g_variant_new_string(version));
    const char* noSubpaths[] = {nullptr};
    GVariant* data =
        g_variant_ref_sink(g_variant_new("(ss^asta{sv})", "flathub", "0123abcd", noSubpaths,
                                         static_cast<guint64>(installedSize), &metadata));
    QByteArray bytes(static_cast<const char*>(g_variant_get_data(data)),
                     static_cast<int>(g_variant_get_size(data)));
    g_variant_unref(data);
    return bytes;
}

void makeHome(const QString& home) {
    const QString share = home + "/.local/share";
    // An AppImage with its integration entry, and one just downloaded.
    write(home + "/Applications/Inkwell-2.4.1-x86_64.AppImage", appImageBytes(180'000), true);
    write(share + "/applications/appimagekit-inkwell.desktop",
          entry("Inkwell", home + "/Applications/Inkwell-2.4.1-x86_64.AppImage %F", "inkwell",
                "X-AppImage-Version=2.4.1\n"));
    icon(share + "/icons/hicolor/64x64/apps/inkwell.png", QColor(0x8e, 0x44, 0xad), "I");
    write(home + "/Downloads/Quickshot-1.0.3.AppImage", appImageBytes(90'000), true);
    write(home + "/.config/inkwell/settings.json", QByteArray(2'400, 'x'));
    write(home + "/.cache/inkwell/thumbnails.db", QByteArray(2'800'000, 'x'));

    // A flatpak installed for the user.
    const QString app = share + "/flatpak/app/org.example.Mixer";
    const QString deploy = app + "/x86_64/stable/4e1c";
    write(deploy + "/metadata", "[Application]\nname=org.example.Mixer\ncommand=mixer\n");
    write(deploy + "/deploy", deployData(148'000'000, "3.8.0"));
    write(deploy + "/files/bin/mixer", "#!/bin/sh\n", true);
    write(deploy + "/export/share/applications/org.example.Mixer.desktop",
          entry("Mixer Studio", "/usr/bin/flatpak run org.example.Mixer", "org.example.Mixer",
                "X-Flatpak=org.example.Mixer\n"));
    icon(deploy + "/export/share/icons/hicolor/64x64/apps/org.example.Mixer.png",
         QColor(0x16, 0xa0, 0x85), "M");
    QFile::link("4e1c", app + "/x86_64/stable/active");
    QFile::link("x86_64/stable", app + "/current");
    QDir().mkpath(share + "/flatpak/exports/share/applications");
    QFile::link(
        "../../../app/org.example.Mixer/current/active/export/share/applications/"
        "org.example.Mixer.desktop",
        share + "/flatpak/exports/share/applications/org.example.Mixer.desktop");
    QDir().mkpath(share + "/flatpak/exports/share/icons/hicolor/64x64/apps");
    QFile::link(deploy + "/export/share/icons/hicolor/64x64/apps/org.example.Mixer.png",
                share + "/flatpak/exports/share/icons/hicolor/64x64/apps/org.example.Mixer.png");
    write(home + "/.var/app/org.example.Mixer/config/mixer.conf", QByteArray(1'200, 'x'));
    write(home + "/.var/app/org.example.Mixer/data/samples.bin", QByteArray(24'000'000, 'x'));
    write(home + "/.var/app/org.example.Mixer/cache/waveforms", QByteArray(6'000'000, 'x'));

    // A program installed by hand with its own menu entry.
    write(share + "/applications/ledger-notes.desktop",
          entry("Ledger Notes", "/opt/ledger-notes/ledger %U", "ledger-notes"));
    icon(share + "/icons/hicolor/64x64/apps/ledger-notes.png", QColor(0xe6, 0x7e, 0x22), "L");
    write(home + "/.config/ledger-notes/notes.db", QByteArray(640'000, 'x'));
    write(home + "/.local/state/ledger-notes/session.log", QByteArray(12'000, 'x'));

    // What two removed applications left behind.
    write(home + "/.var/app/com.vendor.OldPlayer/data/library.db", QByteArray(31'000'000, 'x'));
    write(home + "/.var/app/com.vendor.OldPlayer/cache/covers", QByteArray(9'000'000, 'x'));
    write(home + "/.config/com.vendor.OldPlayer/player.conf", QByteArray(800, 'x'));
    write(home + "/.cache/io.github.someone.Sketcher/tiles", QByteArray(4'500'000, 'x'));
}

bool waitFor(ScreenshotWriter& out, const std::function<bool()>& done, int ms = 20'000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) out.settleEvents(20);
    return done();
}

}  // namespace

void runAppsScreenshots(ScreenshotWriter& out, MainWindow& window) {
    makeHome(QString::fromStdString(kit::customHomeDirectory()));

    MainViewController* main = window.mainView();
    main->displayViewWithType(ModuleType::appManage);
    main->leftList()->selectType(ModuleType::appManage);
    auto* screen = qobject_cast<AppManageViewController*>(main->screenFor(ModuleType::appManage));
    if (!screen) {
        out.save(&window, QStringLiteral("50-apps-missing"));
        return;
    }
    out.save(&window, QStringLiteral("50-apps-start"));
    screen->scanButton()->click();
    out.save(&window, QStringLiteral("51-apps-scanning"));
    waitFor(out, [&] { return screen->page() == AppManageViewController::Page::results; });
    AppManageResultViewController* result = screen->resultView();
    out.settleEvents(300);
    out.save(&window, QStringLiteral("52-apps-list"));

    AppListModel* model = result->listModel();
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->appAt(row)->bundleID == "org.example.Mixer") {
            result->selectRow(row);
            model->setData(model->index(row, AppListModel::name), Qt::Checked, Qt::CheckStateRole);
        }
    out.settleEvents(100);
    out.save(&window, QStringLiteral("53-apps-details-selected"));
    if (AppRemovalConfirmation* confirm = screen->confirmRemoval(
            false, apps::AppManager::debianRemovalPlan(screen->manager().apps))) {
        confirm->show();
        out.settleEvents(200);
        out.save(confirm, QStringLiteral("53-apps-confirm-uninstall"));
        confirm->close();
    }

    for (QAction* action : result->sortButton()->menu()->actions())
        if (action->data().toInt() == static_cast<int>(apps::AppManageItemSortType::sizeDesc))
            action->trigger();
    out.settleEvents(300);
    result->sortButton()->menu()->popup(
        result->sortButton()->mapToGlobal(QPoint(0, result->sortButton()->height())));
    out.settleEvents(100);
    out.save(&window, QStringLiteral("54-apps-by-size"));
    out.save(result->sortButton()->menu(), QStringLiteral("54-apps-sort-menu"));
    result->sortButton()->menu()->hide();

    result->residualTab()->click();
    out.settleEvents(300);
    result->selectRow(0);
    out.save(&window, QStringLiteral("55-apps-leftovers"));

    // The leftovers of the old player, removed for real in the private home.
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->appAt(row)->bundleID == "com.vendor.OldPlayer")
            model->setData(model->index(row, AppListModel::name), Qt::Checked, Qt::CheckStateRole);
    out.settleEvents(100);
    if (AppRemovalConfirmation* confirm = screen->confirmRemoval(
            true, apps::AppManager::debianRemovalPlan(screen->manager().residualApps))) {
        confirm->show();
        out.settleEvents(200);
        out.save(confirm, QStringLiteral("56-apps-confirm-leftovers"));
        confirm->confirmButton()->click();
    }
    out.save(&window, QStringLiteral("57-apps-removing"));
    waitFor(out, [&] { return screen->page() == AppManageViewController::Page::finished; });
    out.settleEvents(200);
    out.save(&window, QStringLiteral("58-apps-cleanup-complete"));
    if (AppCleaningLogDialog* log = screen->cleaningLog()) {
        log->show();
        out.settleEvents(200);
        out.save(log, QStringLiteral("59-apps-cleaning-log"));
        log->close();
    }
    screen->moreButton()->click();
    out.settleEvents(200);

    // The update tab asks this machine's flatpak and snap.
    result->updatesTab()->click();
    waitFor(out, [&] {
        return !result->updatesView()->statusLabel()->text().startsWith(QStringLiteral("Checking"));
    });
    out.settleEvents(200);
    out.save(&window, QStringLiteral("60-apps-updates"));
}

}  // namespace orvane::app
