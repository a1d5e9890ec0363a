#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/Layout.h"
#include "support/TempTree.h"

namespace orvane::platform {
namespace {

using testing::ScopedHome;
using testing::TempTree;

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

TEST(LayoutTest, FreedesktopPlacesFollowTheXdgVariables) {
    TempTree tree;
    ScopedHome scoped(tree);
    const std::string home = scoped.home();
    ::setenv("XDG_DATA_DIRS",
             (tree.path("share-a") + ":relative/ignored:" + tree.path("share-b")).c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", tree.path("etc-xdg").c_str(), 1);
    tree.file("home/.config/user-dirs.dirs",
              "# written by xdg-user-dirs-update\n"
              "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
              "XDG_DOWNLOAD_DIR=\"$HOME/\"\n");

    const Layout layout = Layout::linuxLayout(tree.path("root"));
    EXPECT_EQ(layout.kind, Layout::Kind::freedesktop);
    EXPECT_EQ(layout.home, home);
    EXPECT_EQ(layout.trash, home + "/.local/share/Trash");
    EXPECT_EQ(layout.preferences, home + "/.config");
    EXPECT_EQ(layout.applicationSupport, home + "/.local/share");
    EXPECT_EQ(layout.caches, home + "/.cache");
    EXPECT_EQ(layout.logs, home + "/.local/state");
    EXPECT_EQ(layout.containers, home + "/.var/app");
    EXPECT_EQ(layout.desktop, home + "/Schreibtisch");
    EXPECT_EQ(layout.downloads, home + "/Downloads") << "a folder set to $HOME means disabled";
    EXPECT_TRUE(layout.library.empty());
    EXPECT_EQ(layout.recentlyUsedFile, home + "/.local/share/recently-used.xbel");

    EXPECT_EQ(layout.dataDirs,
              (std::vector<std::string>{tree.path("share-a"), tree.path("share-b")}));
    EXPECT_EQ(layout.applicationRoots,
              (std::vector<std::string>{
                  home + "/.local/share/applications", tree.path("share-a/applications"),
                  tree.path("share-b/applications"),
                  home + "/.local/share/flatpak/exports/share/applications",
                  tree.path("root/var/lib/flatpak/exports/share/applications"),
                  tree.path("root/var/lib/snapd/desktop/applications")}));
    EXPECT_TRUE(contains(layout.portableApplicationRoots, home + "/Applications"));
    EXPECT_TRUE(contains(layout.loginItemFolders, home + "/.config/autostart"));
    EXPECT_TRUE(contains(layout.loginItemFolders, tree.path("etc-xdg/autostart")));
    EXPECT_EQ(layout.loginItemFile, home + "/.config/autostart/com.orvane.app.desktop");
    EXPECT_EQ(layout.systemCaches, std::vector<std::string>{tree.path("root/var/cache")});
    ::unsetenv("XDG_CONFIG_DIRS");
}

TEST(LayoutTest, FreedesktopDefaultsWhenVariablesAreUnsetOrRelative) {
    TempTree tree;
    ScopedHome scoped(tree);
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("XDG_CACHE_HOME", "not/absolute", 1);
    ::unsetenv("XDG_DATA_DIRS");
    const Layout layout = Layout::linuxLayout();
    EXPECT_EQ(layout.trash, scoped.home() + "/.local/share/Trash");
    EXPECT_EQ(layout.caches, scoped.home() + "/.cache");
    EXPECT_EQ(layout.dataDirs, (std::vector<std::string>{"/usr/local/share", "/usr/share"}));
    EXPECT_EQ(
        layout.protectedLocations,
        (std::vector<std::string>{"/var/cache", "/var/log", "/var/tmp", "/tmp", "/usr/local"}));
}

TEST(LayoutTest, MacPlacesSitUnderTheGivenRootAndHome) {
    const Layout layout = Layout::macLayout("/fixture/", "/fixture/Users/ann");
    EXPECT_EQ(layout.kind, Layout::Kind::macOS);
    EXPECT_EQ(layout.root, "/fixture");
    EXPECT_EQ(layout.trash, "/fixture/Users/ann/.Trash");
    EXPECT_EQ(layout.applicationRoots,
              (std::vector<std::string>{"/fixture/Applications", "/fixture/Applications/Utilities",
                                        "/fixture/Users/ann/Desktop"}));
    EXPECT_EQ(layout.preferences, "/fixture/Users/ann/Library/Preferences");
    EXPECT_EQ(layout.applicationSupport, "/fixture/Users/ann/Library/Application Support");
    EXPECT_EQ(layout.logs, "/fixture/Users/ann/Library/Logs");
    EXPECT_EQ(layout.caches, "/fixture/Users/ann/Library/Caches");
    EXPECT_EQ(layout.containers, "/fixture/Users/ann/Library/Containers");
    EXPECT_TRUE(layout.dataDirs.empty());
    EXPECT_TRUE(layout.portableApplicationRoots.empty());
    EXPECT_TRUE(layout.recentlyUsedFile.empty());
    EXPECT_EQ(layout.loginItemFile,
              "/fixture/Users/ann/Library/LaunchAgents/com.orvane.app.LaunchHelper.plist");
    EXPECT_TRUE(contains(layout.protectedLocations, "/fixture/private/var/folders"));
    EXPECT_TRUE(contains(layout.protectedLocations, "/fixture/System/Library"));

    const Layout atSystemRoot = Layout::macLayout("/", "/Users/ann");
    EXPECT_EQ(atSystemRoot.applicationRoots.front(), "/Applications");
    EXPECT_EQ(atSystemRoot.protectedLocations.front(), "/Library/Caches");
}

TEST(LayoutTest, ProtectedLocationsCompareWholeComponents) {
    const Layout layout = Layout::linuxLayout("/r");
    EXPECT_TRUE(layout.isProtected("/r/var/cache"));
    EXPECT_TRUE(layout.isProtected("/r/var/cache/apt/archives/x.deb"));
    EXPECT_TRUE(layout.isProtected("/r/tmp/"));
    EXPECT_FALSE(layout.isProtected("/r/var/cachedata/x"));
    EXPECT_FALSE(layout.isProtected("/r/var"));
    EXPECT_FALSE(layout.isProtected("/var/cache/x")) << "outside the layout's root";
    EXPECT_FALSE(layout.isProtected(""));

    EXPECT_TRUE(isPathInside("/a/b", "/"));
    EXPECT_TRUE(isPathInside("/a/b/", "/a/b"));
    EXPECT_FALSE(isPathInside("/a/bc", "/a/b"));
    EXPECT_FALSE(isPathInside("/a", ""));
}

TEST(LayoutTest, BundlesAndPackagesOnTheMacLayout) {
    TempTree tree;
    tree.file("Applications/Notes.app/Contents/Info.plist", "<plist/>");
    tree.file("Applications/Notes.app/Contents/MacOS/Notes", "bin");
    tree.dir("Applications/Broken.app/Contents");
    tree.file("Applications/Shouting.APP/Contents/Info.plist", "<plist/>");
    tree.file("Applications/NotAnApp/Contents/Info.plist", "<plist/>");
    tree.dir("Pictures/Photos Library.photoslibrary/database");
    tree.dir("Library/Frameworks/Sparkle.framework/Versions");
    tree.dir("Documents/report.v2");
    const Layout mac = Layout::macLayout(tree.root(), tree.path("Users/ann"));

    EXPECT_TRUE(mac.isApplicationBundle(tree.path("Applications/Notes.app")));
    EXPECT_TRUE(mac.isApplicationBundle(tree.path("Applications/Notes.app/")));
    EXPECT_TRUE(mac.isApplicationBundle(tree.path("Applications/Shouting.APP")));
    EXPECT_FALSE(mac.isApplicationBundle(tree.path("Applications/Broken.app"))) << "no Info.plist";
    EXPECT_FALSE(mac.isApplicationBundle(tree.path("Applications/NotAnApp")));
    EXPECT_FALSE(mac.isApplicationBundle(tree.path("Applications/Missing.app")));

    EXPECT_TRUE(mac.isPackage(tree.path("Applications/Broken.app")));
    EXPECT_TRUE(mac.isPackage(tree.path("Pictures/Photos Library.photoslibrary")));
    EXPECT_TRUE(mac.isPackage(tree.path("Library/Frameworks/Sparkle.framework")));
    EXPECT_TRUE(mac.isPackage("/x/Extension.KEXT"));
    EXPECT_FALSE(mac.isPackage(tree.path("Documents/report.v2")));
    EXPECT_FALSE(mac.isPackage(tree.path("Documents")));
    EXPECT_FALSE(mac.isPackage("/x/.app")) << "a leading dot alone is no extension";

    const Layout freedesktop = Layout::linuxLayout(tree.root());
    EXPECT_FALSE(freedesktop.isApplicationBundle(tree.path("Applications/Notes.app")));
    EXPECT_FALSE(freedesktop.isPackage(tree.path("Pictures/Photos Library.photoslibrary")));
}

}  // namespace
}  // namespace orvane::platform
