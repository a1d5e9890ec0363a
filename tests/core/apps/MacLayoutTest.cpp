#include <gtest/gtest.h>

#include <thread>

#include "AppFixtures.h"
#include "ScanSupport.h"
#include "kit/MainQueue.h"
#include "support/TempTree.h"

namespace orvane::apps {
namespace {

using orvane::testing::TempTree;
using testing::appWithId;
using testing::MacTree;
using testing::paths;
using testing::RecordingDelegate;
using testing::scanNow;
using Paths = std::vector<std::string>;

TEST(MacLayoutTest, BundlesTheirCopiesAndLibraryFilesAreListedAsOnAMac) {
    MacTree mac;
    auto& tree = mac.tree;
    const std::string inApps = mac.bundle("Applications/Editor.app", "com.example.editor");
    const std::string onDesktop = mac.bundle("Users/ann/Desktop/Editor.app", "com.example.editor");
    tree.file("Applications/Editor.app/.fixture-size", "123456789");
    tree.file("Applications/Editor.app/.fixture-lastused", "2024-01-05 10:20:30 +0000");
    tree.file("Users/ann/Desktop/Editor.app/.fixture-lastused", "2023-01-05 10:20:30 +0000");
    mac.index("com.example.editor", {inApps, onDesktop});
    const std::string term =
        mac.bundle("Applications/Utilities/Term.app", "com.example.term", 5000);
    mac.index("com.example.term", {term});
    const std::string store = mac.bundle("Applications/Store.app", "com.example.store");
    tree.file("Applications/Store.app/Contents/_MASReceipt/receipt", "r");
    mac.index("com.example.store", {store});
    const std::string safari = mac.bundle("Applications/Safari.app", "com.apple.Safari");
    mac.index("com.apple.Safari", {safari});
    tree.file("Applications/Broken.app/Contents/Info.plist", "not a plist");

    const std::string lib = "Users/ann/Library/";
    for (const char* rel :
         {"Preferences/com.example.editor.plist", "Preferences/com.example.editor.helper.plist",
          "Preferences/com.example.editor.lock", "Logs/Editor",
          "Cookies/com.example.editor.binarycookies"})
        tree.fileOfSize(lib + rel, 100);
    for (const char* rel :
         {"Application Support/com.example.editor/x", "Application Support/Editor/x",
          "Containers/com.example.editor/x", "Group Containers/group.com.example.editor/x",
          "Caches/com.example.editor/x", "Saved Application State/com.example.editor.savedState/x",
          "WebKit/com.example.editor/x", "HTTPStorages/com.example.editor/x",
          "Caches/com.apple.Safari/x"})
        tree.fileOfSize(lib + rel, 100);
    tree.fileOfSize("Library/Preferences/com.example.editor.plist", 100);

    AppManager manager(mac.layout());
    scanNow(manager);
    ASSERT_EQ(manager.apps.size(), 3u);
    ASSERT_EQ(manager.appleApps.size(), 1u);
    EXPECT_EQ(manager.appleApps[0]->bundleID, "com.apple.Safari");
    EXPECT_TRUE(manager.appleApps[0]->otherFiles.empty()) << "system apps get no related files";

    const AppModelPtr editor = appWithId(manager.apps, "com.example.editor");
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->appName, "Editor");
    EXPECT_EQ(editor->kind, AppKind::bundle);
    EXPECT_EQ(editor->installedVersion, "4.2");
    EXPECT_EQ(editor->path, onDesktop) << "the desktop copy wins discovery";
    EXPECT_EQ(paths(editor->appFiles), (Paths{inApps, onDesktop})) << "every indexed copy";
    EXPECT_EQ(editor->appFiles[0]->size, 123456789u) << "the index's size";
    EXPECT_DOUBLE_EQ(editor->timeInterval, 1704450030.0) << "the later of the two copies";

    const std::string l = tree.path(lib);
    EXPECT_EQ(paths(editor->peferenceFiles),
              (Paths{l + "Preferences/com.example.editor.helper.plist",
                     l + "Preferences/com.example.editor.plist",
                     tree.path("Library/Preferences/com.example.editor.plist")}));
    EXPECT_EQ(paths(editor->appSupportFiles), (Paths{l + "Application Support/com.example.editor",
                                                     l + "Application Support/Editor"}));
    EXPECT_EQ(paths(editor->logFiles), Paths{l + "Logs/Editor"});
    EXPECT_EQ(
        paths(editor->otherFiles),
        (Paths{l + "Containers/com.example.editor", l + "Group Containers/group.com.example.editor",
               l + "Caches/com.example.editor",
               l + "Saved Application State/com.example.editor.savedState",
               l + "WebKit/com.example.editor", l + "HTTPStorages/com.example.editor",
               l + "Cookies/com.example.editor.binarycookies"}));

    const AppModelPtr termApp = appWithId(manager.apps, "com.example.term");
    ASSERT_TRUE(termApp);
    EXPECT_GE(termApp->appFiles[0]->size, 5000u) << "no indexed size: the bundle is walked";
    EXPECT_LT(termApp->appFiles[0]->size, 20000u);
    EXPECT_EQ(termApp->timeInterval, 0.0);

    EXPECT_TRUE(appWithId(manager.apps, "com.example.store")->appFiles[0]->isAppStoreApp());
    EXPECT_FALSE(editor->appFiles[0]->isAppStoreApp());

    const std::string log = tree.read("mdfind.log");
    EXPECT_NE(
        log.find("kMDItemCFBundleIdentifier == \"com.example.editor\" && kMDItemContentType == "
                 "\"com.apple.application-bundle\"\n"),
        std::string::npos)
        << log;
    EXPECT_EQ(manager.installedAppInfo.size(), 3u);
    // The Safari cache is not protected by Safari, but its name is no valid identifier either.
    EXPECT_TRUE(manager.residualApps.empty());
}

TEST(MacLayoutTest, WithoutTheMetadataToolsAppsHaveNoCopies) {
    MacTree mac;
    ::unlink(mac.tree.path("usr/bin/mdfind").c_str());
    mac.bundle("Applications/Editor.app", "com.example.editor");
    AppManager manager(mac.layout());
    scanNow(manager);
    ASSERT_EQ(manager.apps.size(), 1u);
    EXPECT_TRUE(manager.apps[0]->appFiles.empty());
}

TEST(AppManagerTest, ReportsInOrderAndACancelledPassEndsWithWhatItHas) {
    MacTree mac;
    for (const char* id : {"com.example.a", "com.example.b", "com.example.c"}) {
        const std::string name = std::string(id).substr(12);
        mac.index(id, {mac.bundle("Applications/" + name + ".app", id)});
    }
    mac.tree.file("index/com.example.b.wait", "");
    mac.tree.dir("Users/ann/Library/Caches/com.gone.thing");

    kit::MainLoop loop;
    AppManager manager(mac.layout());
    auto delegate = std::make_shared<RecordingDelegate>();
    manager.delegate = delegate;
    manager.scanApp();
    // Cancel while the second application is being scanned.
    for (int i = 0; i < 2000 && !mac.tree.exists("started"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(mac.tree.exists("started"));
    manager.cancelScan();
    mac.tree.file("release", "");
    ASSERT_TRUE(loop.runUntil([&] { return delegate->finished; }, std::chrono::seconds(20)));
    manager.waitUntilScanFinished();

    EXPECT_EQ(delegate->calls,
              (std::vector<std::string>{"start", "progress", "app com.example.a", "progress",
                                        "app com.example.b", "finish"}));
    EXPECT_EQ(delegate->progress, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}}));
    EXPECT_EQ(delegate->finishedCount, 2u);
    EXPECT_EQ(manager.apps.size(), 2u);
    EXPECT_TRUE(manager.residualApps.empty()) << "leftovers are not judged after a cancellation";

    // A new pass starts afresh and runs to the end.
    delegate->finished = false;
    mac.tree.file("Users/ann/Library/Caches/com.gone.thing/x", "1");
    manager.scanApp();
    ASSERT_TRUE(loop.runUntil([&] { return delegate->finished; }, std::chrono::seconds(20)));
    EXPECT_EQ(manager.apps.size(), 3u);
    ASSERT_EQ(manager.residualApps.size(), 1u);
    EXPECT_EQ(manager.residualApps[0]->appName, "thing");
}

TEST(AppManagerTest, SortsAreStableAndOrderNamesLikeAFileBrowser) {
    auto make = [](const std::string& name, std::uint64_t size, double used) {
        auto app = std::make_shared<AppModel>(name, "id." + name, false);
        app->appFiles.push_back(std::make_shared<AppFileBaseModel>("/x/" + name, size));
        app->timeInterval = used;
        return app;
    };
    std::vector<AppModelPtr> list = {make("app 10", 5, 30), make("App 2", 7, 10),
                                     make("zebra", 5, 20), make("Äpfel", 1, 10),
                                     make("app 1", 9, 0)};
    auto names = [&] {
        std::vector<std::string> out;
        for (const AppModelPtr& a : list) out.push_back(a->appName);
        return out;
    };
    AppManager::sortApps(list, AppManageItemSortType::normal);
    EXPECT_EQ(names(), (std::vector<std::string>{"Äpfel", "app 1", "App 2", "app 10", "zebra"}));
    AppManager::sortApps(list, AppManageItemSortType::sizeDesc);
    EXPECT_EQ(names(), (std::vector<std::string>{"app 1", "App 2", "app 10", "zebra", "Äpfel"}))
        << "equal sizes keep their order";
    AppManager::sortApps(list, AppManageItemSortType::sizeAsc);
    EXPECT_EQ(names(), (std::vector<std::string>{"Äpfel", "app 10", "zebra", "App 2", "app 1"}));
    AppManager::sortApps(list, AppManageItemSortType::dateRecent);
    EXPECT_EQ(names(), (std::vector<std::string>{"app 10", "zebra", "Äpfel", "App 2", "app 1"}));
    AppManager::sortApps(list, AppManageItemSortType::dateOldest);
    EXPECT_EQ(names(), (std::vector<std::string>{"app 1", "Äpfel", "App 2", "zebra", "app 10"}));

    list[0]->setItemState(true);
    EXPECT_TRUE(list[0]->isSelected);
    EXPECT_TRUE(list[0]->appFiles[0]->selected);
    EXPECT_EQ(list[0]->appFiles[0]->sizeStr(), "9 bytes");
}

}  // namespace
}  // namespace orvane::apps
