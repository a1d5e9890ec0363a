#include <gtest/gtest.h>

#include "AppFixtures.h"
#include "core/apps/BundleInfo.h"
#include "core/apps/InstallAppHelper.h"
#include "support/TempTree.h"

namespace orvane::apps {
namespace {

using Index = std::map<std::string, std::string>;
using orvane::testing::TempTree;
using testing::LinuxMachine;

std::string infoPlist(const std::string& identifier, const std::string& version = "1.0") {
    std::string plist =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST "
        "1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n"
        "<dict>\n";
    if (!identifier.empty())
        plist += "  <key>CFBundleIdentifier</key><string>" + identifier + "</string>\n";
    plist += "  <key>CFBundleShortVersionString</key><string>" + version +
             "</string>\n  <key>CFBundleVersion</key><string>100</string>\n</dict>\n</plist>\n";
    return plist;
}

// An application bundle as the installer leaves it: Contents/Info.plist and an executable.
void bundle(TempTree& tree, const std::string& rel, const std::string& identifier) {
    tree.file(rel + "/Contents/Info.plist", infoPlist(identifier));
    tree.fileOfSize(rel + "/Contents/MacOS/" + identifier, 1000);
}

TEST(InstallAppHelperTest, MacIndexReadsBundlesOfTheLocalApplicationsFolder) {
    TempTree tree;
    bundle(tree, "Applications/Editor.app", "com.example.editor");
    bundle(tree, "Applications/Safari.app", "com.apple.Safari");
    bundle(tree, "Applications/Word.app", "com.microsoft.Word");
    bundle(tree, "Applications/Edge.app", "com.microsoft.edgemac");
    bundle(tree, "Applications/Code.app", "com.microsoft.VSCode");
    tree.file("Applications/NoId.app/Contents/Info.plist", infoPlist(""));
    tree.file("Applications/Broken.app/Contents/Info.plist", "<plist><dict><key>x</key>");
    bundle(tree, "Applications/Suite/Writer.app", "com.example.suite.writer");
    bundle(tree, "Applications/Suite/Nested/Deep.app", "com.example.deep");
    tree.file("Applications/readme.txt", "not an app");
    bundle(tree, "Library/Input Methods/Pinyin.app", "com.example.inputmethod.pinyin");
    tree.file("Library/Input Methods/.hidden/Contents/Info.plist", infoPlist("com.example.hidden"));
    const auto layout = platform::Layout::macLayout(tree.root(), tree.path("Users/ann"));

    const Index index = getInstallBundleIds(layout);
    EXPECT_EQ(index,
              (Index{
                  {"Broken.app", tree.path("Applications/Broken.app")},
                  {"NoId.app", tree.path("Applications/NoId.app")},
                  {"com.apple.Safari", tree.path("Applications/Safari.app")},
                  {"com.example.editor", tree.path("Applications/Editor.app")},
                  {"com.example.inputmethod.pinyin", tree.path("Library/Input Methods/Pinyin.app")},
                  {"com.example.suite.writer", tree.path("Applications/Suite/Writer.app")},
                  {"com.microsoft.VSCode", tree.path("Applications/Code.app")},
                  {"com.microsoft.edgemac", tree.path("Applications/Edge.app")},
              }));
}

TEST(InstallAppHelperTest, MacIndexOfGivenFoldersSkipsSystemAndOwnBundles) {
    TempTree tree;
    bundle(tree, "Applications/Editor.app", "com.example.editor");
    bundle(tree, "Applications/Safari.app", "com.apple.Safari");
    bundle(tree, "Applications/Orvane.app", "com.orvane.app");
    bundle(tree, "Applications/Realm.app", "io.realm.realmbrowser.x");
    bundle(tree, "Applications/Lower.APP", "com.example.lower");
    bundle(tree, "Users/ann/Desktop/Editor.app", "com.example.editor");
    const auto layout = platform::Layout::macLayout(tree.root(), tree.path("Users/ann"));
    InstallAppHelper helper(layout);
    const Index index = helper.getInstallBundleIds(
        {tree.path("Applications"), tree.path("missing"), tree.path("Users/ann/Desktop")});
    EXPECT_EQ(index, (Index{{"com.example.editor", tree.path("Users/ann/Desktop/Editor.app")}}))
        << "a later folder wins";

    tree.dir("Users/ann/Library/Containers/com.example.sandboxed");
    tree.dir("Users/ann/Library/Caches/com.example.plain");
    EXPECT_EQ(helper.getAppSandboxType("com.example.sandboxed", ""), SandboxType::yes);
    EXPECT_EQ(helper.getAppSandboxType("com.example.plain", ""), SandboxType::not_);
    EXPECT_EQ(helper.getAppSandboxType("com.example.unknown", ""), SandboxType::none);
}

TEST(InstallAppHelperTest, BundleInfoRefusesDamagedPropertyLists) {
    TempTree tree;
    tree.file("A.app/Contents/Info.plist", infoPlist("com.example.a", "2.5"));
    auto info = BundleInfo::read(tree.path("A.app"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->identifier, "com.example.a");
    EXPECT_EQ(info->shortVersion, "2.5");
    EXPECT_EQ(info->version, "100");
    tree.file("B.app/Contents/Info.plist", "garbage");
    EXPECT_FALSE(BundleInfo::read(tree.path("B.app")));
    tree.file("C.app/Contents/Info.plist", "<plist><array><string>x</string></array></plist>");
    EXPECT_FALSE(BundleInfo::read(tree.path("C.app"))) << "the root must be a dictionary";
    EXPECT_FALSE(BundleInfo::read(tree.path("Missing.app")));
}

TEST(InstallAppHelperTest, LinuxIndexNamesAppsByFlatpakIdSnapNameOrDesktopId) {
    LinuxMachine machine;
    const std::string entry = machine.debApp("fooedit", "fooedit", "Foo Edit", "1.2-1", 2048);
    const std::string paint = machine.flatpakApp("org.example.Paint", "Paint", "3.1", 5000, true);
    const std::string notes = machine.snapApp("notes", "Notes", "2.0", 3000);
    const std::string appImage = machine.appImage("Applications/Viewer-2.4.1.AppImage");
    machine.tree.file("root/usr/share/applications/daemon.desktop",
                      LinuxMachine::entry("Daemon", "daemon", "NoDisplay=true\n"));
    const platform::Layout layout = machine.layout();

    const Index all = getInstallBundleIds(layout);
    EXPECT_EQ(all, (Index{{"daemon", machine.root + "/usr/share/applications/daemon.desktop"},
                          {"fooedit", entry},
                          {"notes", notes},
                          {"org.example.Paint", paint},
                          {"viewer", appImage}}));

    InstallAppHelper helper(layout);
    EXPECT_EQ(helper.getInstallBundleIds({machine.root + "/usr/share/applications"}),
              (Index{{"fooedit", entry}}));
    EXPECT_EQ(helper.getInstallBundleIds({machine.home + "/Applications"}),
              (Index{{"viewer", appImage}}));

    machine.tree.dir("root/home/ann/.var/app/org.example.Paint/data");
    machine.tree.dir("root/home/ann/.cache/fooedit");
    EXPECT_EQ(helper.getAppSandboxType("org.example.Paint", paint), SandboxType::yes);
    EXPECT_EQ(helper.getAppSandboxType("fooedit", entry), SandboxType::not_);
    EXPECT_EQ(helper.getAppSandboxType("", entry), SandboxType::none);
}

}  // namespace
}  // namespace orvane::apps
