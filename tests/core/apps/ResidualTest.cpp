#include <gtest/gtest.h>

#include "AppFixtures.h"
#include "ScanSupport.h"
#include "core/apps/ResidualScanner.h"

namespace orvane::apps {
namespace {

using orvane::testing::TempTree;
using testing::appWithId;
using testing::LinuxMachine;
using testing::paths;
using testing::scanNow;
using Paths = std::vector<std::string>;
using Installed = ResidualScanner::InstalledAppInfo;

TEST(ResidualTest, LeftoversOfRemovedLinuxAppsAreGroupedPerIdentifier) {
    LinuxMachine machine;
    auto& tree = machine.tree;
    machine.flatpakApp("org.example.Paint", "Paint", "3.1", 5000, true);
    machine.snapApp("notes", "Notes", "2.0", 3000);
    tree.file("root/usr/share/applications/org.example.Daemon.desktop",
              LinuxMachine::entry("Daemon", "daemon", "NoDisplay=true\n"));
    const std::string h = "root/home/ann/";
    tree.fileOfSize(h + ".var/app/org.removed.Tool/data/db", 4000);
    tree.fileOfSize(h + ".var/app/org.removed.Tool/config/x", 100);
    tree.fileOfSize(h + ".config/org.removed.Tool/settings", 50);
    tree.fileOfSize(h + ".local/state/org.removed.Tool/log", 20);
    tree.fileOfSize(h + "snap/oldsnap/12/data", 800);
    tree.fileOfSize(h + ".cache/io.github.someone.Gone/blob", 900);
    // Installed software, system folders and look-alikes stay put.
    tree.fileOfSize(h + ".var/app/org.example.Paint/data/x", 10);
    tree.fileOfSize(h + ".cache/org.example.paint/x", 10);
    tree.fileOfSize(h + ".local/share/org.example.Daemon/x", 10);
    tree.fileOfSize(h + "snap/notes/42/x", 10);
    tree.fileOfSize(h + ".config/com.orvane.app/PreferenceInfo.plist", 10);
    tree.fileOfSize(h + ".config/monitors.xml.bak", 10);
    tree.fileOfSize(h + ".cache/event-sound-cache.tdb.0a1b2c.x86_64-pc-linux-gnu", 10);
    tree.fileOfSize(h + ".config/gimp/x", 10);
    tree.fileOfSize(h + ".local/share/org.mozilla.firefox/x", 10);

    AppManager manager(machine.layout());
    scanNow(manager);
    const std::string home = machine.home;
    std::vector<std::string> ids;
    for (const AppModelPtr& app : manager.residualApps) ids.push_back(app->bundleID);
    EXPECT_EQ(ids, (Paths{"io.github.someone.Gone", "oldsnap", "org.removed.Tool"}));

    const AppModelPtr tool = appWithId(manager.residualApps, "org.removed.Tool");
    ASSERT_TRUE(tool);
    EXPECT_TRUE(tool->isResidual);
    EXPECT_EQ(tool->appName, "Tool");
    EXPECT_EQ(tool->kind, AppKind::flatpak) << "its sandbox shows it was a flatpak";
    EXPECT_EQ(paths(tool->peferenceFiles), Paths{home + "/.config/org.removed.Tool"});
    EXPECT_EQ(paths(tool->logFiles), Paths{home + "/.local/state/org.removed.Tool"});
    EXPECT_EQ(paths(tool->otherFiles), Paths{home + "/.var/app/org.removed.Tool"});
    EXPECT_GE(tool->totalSize(), 4150u);
    EXPECT_EQ(tool->allSubFiles().size(), 3u);

    const AppModelPtr snap = appWithId(manager.residualApps, "oldsnap");
    ASSERT_TRUE(snap);
    EXPECT_EQ(snap->kind, AppKind::snap);
    EXPECT_EQ(paths(snap->otherFiles), Paths{home + "/snap/oldsnap"});
}

TEST(ResidualTest, MacLibraryLeftoversFollowTheIdentifierRules) {
    TempTree tree;
    const std::string lib = "Users/ann/Library/";
    tree.file("Applications/Tool.app/Contents/Info.plist",
              "<plist><dict><key>CFBundleIdentifier</key><string>com.acme.Widget</string></dict></"
              "plist>");
    tree.fileOfSize(lib + "Caches/com.example.tool/cache.db", 1000);
    tree.fileOfSize(lib + "Preferences/com.example.tool.plist", 100);
    tree.fileOfSize(lib + "Preferences/com.acme.widget.plist", 100);  // installed, other case
    tree.fileOfSize(lib + "Application Support/Google/x", 100);       // no identifier
    tree.fileOfSize(lib + "Application Support/org.mozilla.firefox/x", 100);
    tree.fileOfSize(lib + "Application Support/com.apple.thing/x", 100);
    tree.fileOfSize(lib + "Saved Application State/net.gone.Editor.savedState/w", 100);
    tree.fileOfSize(lib + "Logs/net.gone.Editor/log", 100);
    tree.fileOfSize(lib + "Preferences/notaplist.net.gone.x", 10);
    const auto layout = platform::Layout::macLayout(tree.root(), tree.path("Users/ann"));

    AppManager manager(layout);
    const Installed installed = {{"com.acme.Widget", "Acme Widget"}};
    const auto residual = manager.scanResidualApps(installed);
    std::vector<std::string> ids;
    for (const AppModelPtr& app : residual) ids.push_back(app->bundleID);
    EXPECT_EQ(ids, (Paths{"com.example.tool", "net.gone.Editor"}));

    const AppModelPtr tool = appWithId(residual, "com.example.tool");
    ASSERT_TRUE(tool);
    EXPECT_EQ(tool->appName, "tool");
    EXPECT_EQ(tool->kind, AppKind::bundle);
    EXPECT_EQ(paths(tool->peferenceFiles),
              Paths{tree.path(lib + "Preferences/com.example.tool.plist")});
    EXPECT_EQ(paths(tool->otherFiles), Paths{tree.path(lib + "Caches/com.example.tool")});

    const AppModelPtr editor = appWithId(residual, "net.gone.Editor");
    ASSERT_TRUE(editor);
    EXPECT_EQ(paths(editor->logFiles), Paths{tree.path(lib + "Logs/net.gone.Editor")});
    EXPECT_EQ(paths(editor->otherFiles),
              Paths{tree.path(lib + "Saved Application State/net.gone.Editor.savedState")});
}

TEST(ResidualTest, TheMatcherTriesIdentifierNameAndDistinctiveParts) {
    const Installed installed = {
        {"com.acme.Tool", "Big Tool"}, {"org.example.Photoshop", ""}, {"com.ab.Box", ""}};
    const std::vector<std::pair<std::string, AppModelPtr>> none;
    auto installedMatch = [&](const std::string& name, std::optional<std::string> id) {
        return ResidualScanner::matchesApp(name, id, installed, none).isInstalled;
    };
    EXPECT_TRUE(installedMatch("com.acme.tool", "com.acme.tool")) << "identifiers ignore case";
    EXPECT_TRUE(installedMatch("com.acme.Tool.helper", std::nullopt)) << "the identifier inside";
    EXPECT_TRUE(installedMatch("BigTool Cache", std::nullopt)) << "the name without spaces";
    EXPECT_TRUE(installedMatch("net.other.photoshop-data", std::nullopt))
        << "a distinctive last part";
    EXPECT_TRUE(installedMatch("org.example.Other", std::nullopt)) << "the second-to-last part";
    EXPECT_TRUE(installedMatch("com.other.tools", std::nullopt)) << "\"tool\" is long enough";
    EXPECT_FALSE(installedMatch("net.other.boxes", std::nullopt))
        << "\"box\" and \"ab\" are too short";

    auto residual = std::make_shared<AppModel>("Editor", "net.gone.Editor", true);
    const std::vector<std::pair<std::string, AppModelPtr>> found = {{"net.gone.Editor", residual}};
    const auto match = ResidualScanner::matchesApp("Editor Helper", std::nullopt, {}, found);
    EXPECT_FALSE(match.isInstalled);
    EXPECT_EQ(match.matchedResidualsKey, std::optional<std::string>("net.gone.Editor"));
    EXPECT_FALSE(
        ResidualScanner::matchesApp("unrelated", std::nullopt, {}, found).matchedResidualsKey);
}

}  // namespace
}  // namespace orvane::apps
