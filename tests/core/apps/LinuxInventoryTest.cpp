#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include "AppFixtures.h"
#include "ScanSupport.h"
#include "core/apps/DpkgDatabase.h"
#include "support/ScopedEnv.h"

namespace orvane::apps {
namespace {

using testing::appWithId;
using testing::LinuxMachine;
using testing::paths;
using testing::scanNow;
using Paths = std::vector<std::string>;

std::string xbel(const std::string& entries) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xbel version=\"1.0\" "
           "xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\" "
           "xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\">\n" +
           entries + "</xbel>\n";
}

std::string bookmark(const std::string& file, const std::string& app, const std::string& exec,
                     const std::string& when) {
    return "<bookmark href=\"file://" + file + "\" added=\"" + when + "\" modified=\"" + when +
           "\" visited=\"" + when +
           "\">\n<info>\n<metadata owner=\"http://freedesktop.org\">\n"
           "<mime:mime-type type=\"text/plain\"/>\n<bookmark:applications>\n"
           "<bookmark:application name=\"" +
           app + "\" exec=\"&apos;" + exec + "&apos;\" modified=\"" + when +
           "\" count=\"1\"/>\n</bookmark:applications>\n"
           "</metadata>\n</info>\n</bookmark>\n";
}

TEST(LinuxInventoryTest, EachFormComesWithItsVersionSizeAndOwnFiles) {
    LinuxMachine machine;
    const std::string entry = machine.debApp("fooedit", "fooedit", "Foo Edit", "1:2.3-1", 2048);
    const std::string paint =
        machine.flatpakApp("org.example.Paint", "Paint", "3.1", 5'000'000, true);
    const std::string notes = machine.snapApp("notes", "Notes", "2.0", 30'000'000);
    const std::string krita =
        machine.appImage("Downloads/Krita-5.2.2-x86_64.AppImage", true, 100'000);
    machine.tree.file("root/home/ann/.local/share/applications/handmade.desktop",
                      LinuxMachine::entry("Hand Made", "/opt/handmade/run"));

    AppManager manager(machine.layout());
    scanNow(manager);
    ASSERT_EQ(manager.apps.size(), 5u);
    EXPECT_TRUE(manager.appleApps.empty());

    const AppModelPtr deb = appWithId(manager.apps, "fooedit");
    ASSERT_TRUE(deb);
    EXPECT_EQ(deb->kind, AppKind::deb);
    EXPECT_EQ(deb->installedVersion, "1:2.3-1") << "read by the real dpkg-query from the database";
    EXPECT_TRUE(deb->version.empty());
    EXPECT_EQ(paths(deb->appFiles),
              (Paths{entry, machine.root + "/var/lib/dpkg/info/fooedit.list"}));
    EXPECT_EQ(deb->appFiles[1]->packageName, "fooedit");
    EXPECT_EQ(deb->appFiles[1]->size, 2048u * 1024);
    EXPECT_FALSE(deb->appFiles[0]->isAppStoreApp());

    const AppModelPtr flatpak = appWithId(manager.apps, "org.example.Paint");
    ASSERT_TRUE(flatpak);
    EXPECT_EQ(flatpak->kind, AppKind::flatpak);
    EXPECT_EQ(flatpak->installedVersion, "3.1");
    EXPECT_EQ(paths(flatpak->appFiles), Paths{paint});
    EXPECT_EQ(flatpak->appFiles[0]->size, 5'000'000u) << "the size flatpak recorded, not a walk";
    EXPECT_TRUE(flatpak->appFiles[0]->isAppStoreApp());

    const AppModelPtr snap = appWithId(manager.apps, "notes");
    ASSERT_TRUE(snap);
    EXPECT_EQ(snap->kind, AppKind::snap);
    EXPECT_EQ(snap->installedVersion, "2.0");
    EXPECT_EQ(paths(snap->appFiles), Paths{notes});
    EXPECT_EQ(snap->appFiles[0]->size, 30'000'000u) << "the downloaded image is what it takes";
    EXPECT_TRUE(snap->appFiles[0]->isAppStoreApp());

    const AppModelPtr appImage = appWithId(manager.apps, "krita");
    ASSERT_TRUE(appImage);
    EXPECT_EQ(appImage->kind, AppKind::appimage);
    EXPECT_EQ(appImage->installedVersion, "5.2.2");
    EXPECT_EQ(paths(appImage->appFiles), Paths{krita});
    EXPECT_GE(appImage->appFiles[0]->size, 100'000u);

    const AppModelPtr handmade = appWithId(manager.apps, "handmade");
    ASSERT_TRUE(handmade);
    EXPECT_EQ(handmade->kind, AppKind::desktop);
    EXPECT_EQ(handmade->totalSize(), handmade->appFiles[0]->size);
}

TEST(LinuxInventoryTest, RelatedFilesAreFoundByIdAndNameWithoutClaimingAnotherAppsFolder) {
    LinuxMachine machine;
    auto& tree = machine.tree;
    machine.debApp("gimp", "gimp", "GIMP", "2.10", 90'000);
    machine.debApp("dolphin", "org.kde.dolphin", "Dolphin", "22.12", 5000);
    machine.flatpakApp("org.example.Paint", "Paint", "3.1", 5000, true);
    machine.snapApp("notes", "Notes", "2.0", 3000);
    machine.debApp("notes-deb", "notes-deb", "Notes", "1.0", 10);
    machine.debApp("fonts", "fonts", "Fonts", "1.0", 10);

    const std::string h = "root/home/ann/";
    tree.fileOfSize(h + ".config/GIMP/2.10/gimprc", 3000);
    tree.fileOfSize(h + ".cache/gimp/thumbs", 5000);
    tree.fileOfSize(h + ".local/state/gimp/log", 100);
    tree.fileOfSize(h + ".config/dolphinrc", 200);
    tree.fileOfSize(h + ".local/share/org.kde.dolphin/view", 300);
    tree.fileOfSize(h + ".var/app/org.example.Paint/config/settings.ini", 400);
    tree.fileOfSize(h + ".var/app/org.example.Paint/data/brushes", 500);
    tree.fileOfSize(h + ".var/app/org.example.Paint/cache/tiles", 600);
    tree.fileOfSize(h + ".var/app/org.example.Paint/.ld.so/cache", 10);
    tree.fileOfSize(h + "snap/notes/42/notes.db", 700);
    tree.fileOfSize(h + ".config/notes/shared", 10);      // two apps are named Notes
    tree.fileOfSize(h + ".local/share/fonts/a.ttf", 10);  // the desktop's, not the app's
    tree.fileOfSize(h + ".config/inkscape/prefs", 10);    // Inkscape is not installed
    tree.file(h + ".config/autostart/org.kde.dolphin.desktop",
              LinuxMachine::entry("Dolphin", "dolphin --daemon"));
    tree.file(h + ".config/autostart/paint-tray.desktop",
              LinuxMachine::entry("Tray", "flatpak run org.example.Paint",
                                  "X-Flatpak=org.example.Paint\n"));

    AppManager manager(machine.layout());
    scanNow(manager);
    const std::string home = machine.home;

    const AppModelPtr gimp = appWithId(manager.apps, "gimp");
    ASSERT_TRUE(gimp);
    EXPECT_EQ(paths(gimp->peferenceFiles), Paths{home + "/.config/GIMP"});
    EXPECT_EQ(paths(gimp->logFiles), Paths{home + "/.local/state/gimp"});
    EXPECT_EQ(paths(gimp->otherFiles), Paths{home + "/.cache/gimp"});
    EXPECT_GE(gimp->peferenceFiles[0]->size, 3000u);
    EXPECT_EQ(gimp->peferenceFiles[0]->type(), AppFileType::preferenceFile);

    const AppModelPtr dolphin = appWithId(manager.apps, "org.kde.dolphin");
    ASSERT_TRUE(dolphin);
    EXPECT_EQ(paths(dolphin->peferenceFiles), Paths{home + "/.config/dolphinrc"});
    EXPECT_EQ(paths(dolphin->appSupportFiles), Paths{home + "/.local/share/org.kde.dolphin"});
    EXPECT_EQ(paths(dolphin->otherFiles),
              Paths{home + "/.config/autostart/org.kde.dolphin.desktop"});

    const AppModelPtr paint = appWithId(manager.apps, "org.example.Paint");
    ASSERT_TRUE(paint);
    const std::string container = home + "/.var/app/org.example.Paint";
    EXPECT_EQ(paths(paint->peferenceFiles), Paths{container + "/config"});
    EXPECT_EQ(paths(paint->appSupportFiles), Paths{container + "/data"});
    EXPECT_EQ(paths(paint->otherFiles), (Paths{container + "/.ld.so", container + "/cache",
                                               home + "/.config/autostart/paint-tray.desktop"}));

    const AppModelPtr notes = appWithId(manager.apps, "notes");
    ASSERT_TRUE(notes);
    EXPECT_EQ(paths(notes->otherFiles), Paths{home + "/snap/notes"});
    EXPECT_TRUE(notes->peferenceFiles.empty()) << "a name two apps share is nobody's";
    const AppModelPtr notesDeb = appWithId(manager.apps, "notes-deb");
    ASSERT_TRUE(notesDeb);
    EXPECT_TRUE(notesDeb->peferenceFiles.empty());

    const AppModelPtr fonts = appWithId(manager.apps, "fonts");
    ASSERT_TRUE(fonts);
    EXPECT_TRUE(fonts->appSupportFiles.empty()) << "the desktop's own folders are nobody's";

    for (const AppModelPtr& app : manager.apps)
        for (const AppFilePtr& file : app->allSubFiles())
            EXPECT_EQ(file->url.find("inkscape"), std::string::npos) << app->bundleID;
    EXPECT_TRUE(manager.residualApps.empty()) << "plain names are never leftovers";
}

TEST(LinuxInventoryTest, LastUseComesFromRecentFilesElseTheProgramsAccessTime) {
    LinuxMachine machine;
    machine.debApp("fooedit", "fooedit", "Foo Edit", "1.0", 10);
    machine.debApp("barview", "barview", "Bar View", "1.0", 10);
    machine.debApp("neverrun", "neverrun", "Never Run", "1.0", 10);
    machine.flatpakApp("org.example.Paint", "Paint", "3.1", 5000, true);
    machine.tree.file(
        "root/home/ann/.local/share/recently-used.xbel",
        xbel(bookmark("/home/ann/a.txt", "Foo Edit", "fooedit %u", "2024-03-01T10:00:00Z") +
             bookmark("/home/ann/b.txt", "Foo Edit", "fooedit %u", "2024-05-01T10:00:00Z") +
             bookmark("/home/ann/c.png", "paint", "flatpak run org.example.Paint",
                      "2023-01-01T00:00:00Z")));
    // barview ran (its program was read) at a known time; neverrun's program is gone.
    machine.tree.setMtime("root/usr/bin/barview", 1'600'000'000);
    ::unlink((machine.root + "/usr/bin/neverrun").c_str());
    AppManager manager(machine.layout());
    {
        const orvane::testing::ScopedEnv path("PATH", "/usr/bin:/bin");
        scanNow(manager);
    }

    EXPECT_DOUBLE_EQ(appWithId(manager.apps, "fooedit")->timeInterval, 1714557600.0);
    EXPECT_DOUBLE_EQ(appWithId(manager.apps, "org.example.Paint")->timeInterval, 1672531200.0);
    EXPECT_DOUBLE_EQ(appWithId(manager.apps, "barview")->timeInterval, 1'600'000'000.0);
    EXPECT_EQ(appWithId(manager.apps, "neverrun")->timeInterval, 0.0);
}

TEST(LinuxInventoryTest, ADamagedRecentFilesListIsIgnored) {
    LinuxMachine machine;
    machine.debApp("fooedit", "fooedit", "Foo Edit", "1.0", 10);
    machine.tree.file("root/home/ann/.local/share/recently-used.xbel", "<xbel><bookmark href=");
    AppManager manager(machine.layout());
    scanNow(manager);
    ASSERT_EQ(manager.apps.size(), 1u);
}

TEST(DpkgDatabaseTest, TheRealDatabaseKnowsItsOwnTool) {
    // The running system's dpkg, asked as Orvane asks it: dpkg-query is dpkg's.
    DpkgDatabase dpkg("/var/lib/dpkg", "");
    const auto owners = dpkg.owners({"/usr/bin/dpkg-query", "/nonexistent/file"});
    ASSERT_EQ(owners.size(), 1u);
    EXPECT_EQ(owners.at("/usr/bin/dpkg-query"), "dpkg");
    const auto packages = dpkg.packages({"dpkg", "no-such-package-here"});
    ASSERT_EQ(packages.count("dpkg"), 1u);
    EXPECT_FALSE(packages.at("dpkg").version.empty());
    EXPECT_GT(packages.at("dpkg").installedSize, 100'000u);
    EXPECT_EQ(packages.count("no-such-package-here"), 0u);
}

TEST(DpkgDatabaseTest, FixtureDatabasesAreReadLikeTheRealOne) {
    LinuxMachine machine;
    const std::string entry = machine.debApp("fooedit", "fooedit", "Foo Edit", "1:2.3-1", 2048);
    DpkgDatabase dpkg(machine.root + "/var/lib/dpkg", machine.root);
    EXPECT_EQ(dpkg.owners({entry, "/usr/share/applications/fooedit.desktop"}),
              (std::map<std::string, std::string>{{entry, "fooedit"}}))
        << "paths outside the root are not the database's";
    const auto packages = dpkg.packages({"fooedit"});
    ASSERT_EQ(packages.count("fooedit"), 1u);
    EXPECT_EQ(packages.at("fooedit").version, "1:2.3-1");
    EXPECT_EQ(packages.at("fooedit").installedSize, 2048u * 1024);
}

}  // namespace
}  // namespace orvane::apps
