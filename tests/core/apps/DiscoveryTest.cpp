#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "AppFixtures.h"
#include "core/apps/DesktopAppDiscovery.h"

namespace orvane::apps {
namespace {

using testing::LinuxMachine;

const InstalledApp* findApp(const DesktopDiscovery& found, const std::string& id) {
    auto it = std::find_if(found.apps.begin(), found.apps.end(),
                           [&](const InstalledApp& app) { return app.bundleID == id; });
    return it == found.apps.end() ? nullptr : &*it;
}

bool isOtherInstalled(const DesktopDiscovery& found, const std::string& id) {
    return std::any_of(found.otherInstalled.begin(), found.otherInstalled.end(),
                       [&](const auto& pair) { return pair.first == id; });
}

TEST(DiscoveryTest, FindsEachFormAsItsInstallerLaysItOut) {
    LinuxMachine machine;
    const std::string debEntry = machine.debApp("fooedit", "fooedit", "Foo Edit", "1.2-1", 2048);
    const std::string userFlatpak =
        machine.flatpakApp("org.example.Paint", "Paint", "3.1", 5'000'000, true);
    const std::string systemFlatpak =
        machine.flatpakApp("com.example.Chat", "Chat", "0.9", 7'000'000, false);
    const std::string snap = machine.snapApp("notes", "Notes", "2.0", 30'000'000);
    const std::string integrated = machine.appImage("Applications/Viewer-2.4.1-x86_64.AppImage");
    machine.tree.file(
        "root/home/ann/.local/share/applications/appimagekit_1f2e-Viewer.desktop",
        LinuxMachine::entry("Image Viewer", integrated + " %U", "X-AppImage-Version=2.4.1\n"));
    const std::string loose = machine.appImage("Downloads/Krita-5.2.2-x86_64.AppImage");

    const DesktopDiscovery found = DesktopAppDiscovery(machine.layout()).discover();
    ASSERT_EQ(found.apps.size(), 6u);

    const InstalledApp* deb = findApp(found, "fooedit");
    ASSERT_TRUE(deb);
    EXPECT_EQ(deb->kind, AppKind::desktop) << "ownership is the package database's to say";
    EXPECT_EQ(deb->appName, "Foo Edit");
    EXPECT_EQ(deb->path, debEntry);
    EXPECT_EQ(deb->program, "fooedit");
    EXPECT_EQ(deb->iconName, "Foo Edit");

    const InstalledApp* paint = findApp(found, "org.example.Paint");
    ASSERT_TRUE(paint);
    EXPECT_EQ(paint->kind, AppKind::flatpak);
    EXPECT_EQ(paint->path, userFlatpak);
    EXPECT_EQ(paint->appName, "Paint");
    const InstalledApp* chat = findApp(found, "com.example.Chat");
    ASSERT_TRUE(chat);
    EXPECT_EQ(chat->path, systemFlatpak);

    const InstalledApp* notes = findApp(found, "notes");
    ASSERT_TRUE(notes);
    EXPECT_EQ(notes->kind, AppKind::snap);
    EXPECT_EQ(notes->path, snap);
    EXPECT_EQ(notes->program, "/snap/bin/notes");

    const InstalledApp* viewer = findApp(found, "appimagekit_1f2e-Viewer");
    ASSERT_TRUE(viewer) << "an integrated AppImage is one application, not two";
    EXPECT_EQ(viewer->kind, AppKind::appimage);
    EXPECT_EQ(viewer->path, integrated);
    EXPECT_EQ(viewer->version, "2.4.1");

    const InstalledApp* krita = findApp(found, "krita");
    ASSERT_TRUE(krita);
    EXPECT_EQ(krita->appName, "Krita");
    EXPECT_EQ(krita->version, "5.2.2");
    EXPECT_EQ(krita->path, loose);
    EXPECT_TRUE(krita->desktopEntries.empty());
}

TEST(DiscoveryTest, BrokenEntriesArePassedOverAndHiddenSoftwareStaysInstalled) {
    LinuxMachine machine;
    auto& tree = machine.tree;
    const std::string apps = "root/usr/share/applications/";
    tree.file(apps + "noexec.desktop", "[Desktop Entry]\nType=Application\nName=No Exec\n");
    tree.file(apps + "latin1.desktop",
              "[Desktop Entry]\nType=Application\nName=Caf\xe9\nExec=cafe\n");
    tree.file(apps + "helper.desktop", LinuxMachine::entry("Helper", "helper", "NoDisplay=true\n"));
    tree.file(apps + "gone.desktop", LinuxMachine::entry("Gone", "gone", "Hidden=true\n"));
    tree.file(apps + "link.desktop", "[Desktop Entry]\nType=Link\nName=Site\nURL=https://x\n");
    tree.symlink(machine.root + "/nowhere.desktop", apps + "dangling.desktop");
    tree.file(apps + "badflatpak.desktop",
              LinuxMachine::entry("Bad", "flatpak run x", "X-Flatpak=../../etc/passwd\n"));
    tree.file(apps + "badsnap.desktop",
              LinuxMachine::entry("Bad Snap", "/snap/bin/x", "X-SnapInstanceName=Bad Name\n"));
    tree.file(apps + "line\nbreak.desktop", LinuxMachine::entry("Sneaky", "sneaky"));
    tree.file(apps + "newline.desktop",
              "[Desktop Entry]\nType=Application\nName=Two\\nLines\nExec=two\n");
    tree.file(apps + "kde4/okular.desktop", LinuxMachine::entry("Okular", "okular"));
    machine.appImage("Downloads/NotRunnable-1.0.AppImage", false);
    tree.file("root/home/ann/Downloads/Fake-1.0.AppImage", "#!/bin/sh\necho not an appimage\n");
    tree.chmod("root/home/ann/Downloads/Fake-1.0.AppImage", 0755);
    tree.symlink(machine.home + "/nowhere.AppImage", "root/home/ann/Desktop/Dangling.AppImage");
    tree.file("root/home/ann/.local/share/applications/removed.desktop",
              LinuxMachine::entry("Removed", machine.home + "/Applications/Removed.AppImage"));
    // A command-line snap and a flatpak without an entry are installed all the same.
    tree.file("root/snap/lxd/current/meta/snap.yaml", "name: lxd\n");
    tree.dir("root/var/lib/flatpak/app/org.example.Cli/current");

    const DesktopDiscovery found = DesktopAppDiscovery(machine.layout()).discover();
    std::vector<std::string> ids;
    for (const InstalledApp& app : found.apps) ids.push_back(app.bundleID);
    EXPECT_EQ(ids, (std::vector<std::string>{"kde4-okular", "newline"}));
    EXPECT_EQ(found.apps[1].appName, "Two Lines") << "a line break in a name is flattened";

    EXPECT_TRUE(isOtherInstalled(found, "helper"));
    EXPECT_TRUE(isOtherInstalled(found, "gone"));
    EXPECT_TRUE(isOtherInstalled(found, "noexec"));
    EXPECT_TRUE(isOtherInstalled(found, "lxd"));
    EXPECT_TRUE(isOtherInstalled(found, "org.example.Cli"));
    EXPECT_FALSE(isOtherInstalled(found, "latin1")) << "a file that is not an entry proves nothing";
}

TEST(DiscoveryTest, TheUsersEntryHidesTheSystemOneOfTheSameId) {
    LinuxMachine machine;
    machine.debApp("fooedit", "fooedit", "Foo Edit", "1.2-1", 2048);
    machine.debApp("barview", "barview", "Bar View", "1.0", 100);
    machine.tree.file("root/home/ann/.local/share/applications/fooedit.desktop",
                      LinuxMachine::entry("Foo Edit", "fooedit", "Hidden=true\n"));
    machine.tree.file("root/home/ann/.local/share/applications/barview.desktop",
                      LinuxMachine::entry("My Bar", "barview --dark"));
    const DesktopDiscovery found = DesktopAppDiscovery(machine.layout()).discover();
    ASSERT_EQ(found.apps.size(), 1u);
    EXPECT_EQ(found.apps[0].appName, "My Bar");
    EXPECT_EQ(found.apps[0].path, machine.home + "/.local/share/applications/barview.desktop");
}

TEST(DiscoveryTest, ApplicationsWithSeveralEntriesAreOneApplication) {
    LinuxMachine machine;
    machine.flatpakApp("org.example.Office", "Office", "7.6", 900'000'000, false);
    const std::string deploy =
        "root/var/lib/flatpak/app/org.example.Office/x86_64/stable/5b1d7c3e9a";
    machine.tree.file(deploy + "/export/share/applications/org.example.Office.writer.desktop",
                      LinuxMachine::entry("Office Writer", "flatpak run org.example.Office",
                                          "X-Flatpak=org.example.Office\n"));
    machine.tree.symlink(
        machine.tree.path(deploy) + "/export/share/applications/org.example.Office.writer.desktop",
        "root/var/lib/flatpak/exports/share/applications/"
        "org.example.Office.writer.desktop");
    const DesktopDiscovery found = DesktopAppDiscovery(machine.layout()).discover();
    ASSERT_EQ(found.apps.size(), 1u);
    EXPECT_EQ(found.apps[0].appName, "Office") << "the entry named after the id names the app";
    EXPECT_EQ(found.apps[0].desktopEntries.size(), 2u);
}

TEST(DiscoveryTest, AppImageNamesSplitIntoNameAndVersion) {
    std::string name, version;
    DesktopAppDiscovery::splitAppImageName("Krita-5.2.2-x86_64.AppImage", name, version);
    EXPECT_EQ(name, "Krita");
    EXPECT_EQ(version, "5.2.2");
    DesktopAppDiscovery::splitAppImageName("Obsidian-1.4.16.appimage", name, version);
    EXPECT_EQ(name, "Obsidian");
    EXPECT_EQ(version, "1.4.16");
    DesktopAppDiscovery::splitAppImageName("my_tool.AppImage", name, version);
    EXPECT_EQ(name, "my_tool");
    EXPECT_EQ(version, "");
    DesktopAppDiscovery::splitAppImageName("App-x86_64.AppImage", name, version);
    EXPECT_EQ(name, "App") << "the architecture is no part of the name";
    EXPECT_EQ(version, "");
}

}  // namespace
}  // namespace orvane::apps
