#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "AppFixtures.h"
#include "FakeTools.h"
#include "ScanSupport.h"
#include "core/apps/AppStoreLookup.h"
#include "core/apps/AptRemovalPlan.h"
#include "core/apps/FlatpakTool.h"
#include "core/apps/SnapTool.h"
#include "kit/MainQueue.h"
#include "support/LocalHttpServer.h"

namespace orvane::apps {
namespace {

using testing::appWithId;
using testing::FakeTools;
using testing::LinuxMachine;
using testing::scanNow;
using Lines = std::vector<std::string>;

using testing::sample;

TEST(UpdateListParsing, ReadsWhatFlatpakSnapAndAptPrint) {
    const auto flatpak = FlatpakTool::parseUpdates(sample("flatpak-remote-ls-updates-user.txt"));
    ASSERT_EQ(flatpak.size(), 3u);
    EXPECT_EQ(flatpak[0].application, "org.gimp.GIMP");
    EXPECT_EQ(flatpak[0].version, "2.10.38");
    EXPECT_EQ(flatpak[0].branch, "stable");
    EXPECT_EQ(flatpak[0].origin, "flathub");
    EXPECT_EQ(flatpak[0].downloadSize, 121'400'000u);
    EXPECT_EQ(flatpak[2].version, "") << "a remote without a version still offers the update";
    EXPECT_EQ(flatpak[2].downloadSize, 356u);
    EXPECT_TRUE(FlatpakTool::parseUpdates("Name\tApplication ID\n\n--columns\tx\n").empty());

    const auto snaps = SnapTool::parseRefreshList(sample("snap-refresh-list.txt"));
    ASSERT_EQ(snaps.size(), 3u);
    EXPECT_EQ(snaps[0].name, "firefox");
    EXPECT_EQ(snaps[0].version, "128.0.3-1");
    EXPECT_EQ(snaps[0].revision, "4650");
    EXPECT_EQ(snaps[0].size, 272'000'000u);
    EXPECT_EQ(snaps[0].publisher, "mozilla**");
    EXPECT_EQ(snaps[1].name, "notes");
    EXPECT_TRUE(SnapTool::parseRefreshList("").empty()) << "up to date: snap says so on stderr";
    EXPECT_TRUE(SnapTool::parseRefreshList("firefox 1 2 3MB x -\n").empty()) << "no header";

    bool essential = true;
    EXPECT_EQ(AptRemovalPlan::parseSimulation(sample("apt-get-s-remove.txt"), &essential),
              (Lines{"gimp-plugin-registry", "gimp"}));
    EXPECT_FALSE(essential);
    AptRemovalPlan::parseSimulation(
        "WARNING: The following essential packages will be removed.\nRemv bash [5.2]\n",
        &essential);
    EXPECT_TRUE(essential);

    EXPECT_EQ(FlatpakTool::percentIn("Updating 1/2… ████▌     45%  2.1 MB/s  00:03"), 45);
    EXPECT_FALSE(FlatpakTool::percentIn("Looking for updates…"));
    EXPECT_EQ(FlatpakTool::parseSize("1.0 kB"), 1000u);
    EXPECT_FALSE(FlatpakTool::parseSize("lots"));
    EXPECT_EQ(SnapTool::parseSize("12kB"), 12000u);
    EXPECT_FALSE(SnapTool::parseSize("12 parsecs"));
    EXPECT_TRUE(AptRemovalPlan::isPackageName("libc6:amd64"));
    EXPECT_FALSE(AptRemovalPlan::isPackageName("-y"));
    EXPECT_FALSE(AptRemovalPlan::isPackageName("a"));
}

class UpdateRecorder final : public AppManagerUpdateDelegate {
public:
    Lines calls;
    bool finished = false, checked = false;
    std::string checkError;

    void appManagerDidFinishCheckingUpdates(AppManager&, const std::vector<AppModelPtr>& apps,
                                            const std::string& error) override {
        std::string line = "checked";
        for (const auto& a : apps) line += " " + a->bundleID;
        calls.push_back(line);
        checkError = error;
        checked = true;
    }
    void appManagerDidStartUpdate(AppManager&) override { calls.push_back("start"); }
    void appManagerDidStartUpdatingApp(AppManager&, const AppModelPtr& app) override {
        calls.push_back("updating " + app->bundleID);
    }
    void appManagerDidUpdateAppProgress(AppManager&, const AppModelPtr& app, int p) override {
        calls.push_back(app->bundleID + " " + std::to_string(p) + "%");
    }
    void appManagerDidUpdatingApp(AppManager&, const AppModelPtr& app, int current,
                                  int total) override {
        calls.push_back("done " + app->bundleID + " " + std::to_string(current) + "/" +
                        std::to_string(total) + (app->updateError.empty() ? "" : " failed"));
    }
    void appManagerDidFinishUpdate(AppManager&, int success, int total) override {
        calls.push_back("finish " + std::to_string(success) + "/" + std::to_string(total));
        finished = true;
    }
};

TEST(StoreUpdates, FlatpakAndSnapAreAskedPerInstallationAndUpdatedOneByOne) {
    LinuxMachine machine;
    machine.flatpakApp("org.example.Paint", "Paint", "3.1", 5'000'000, true);
    machine.flatpakApp("org.example.Maps", "Maps", "1.0", 2'000'000, false);
    machine.flatpakApp("org.example.Fine", "Fine", "1.0", 2'000'000, true);
    machine.snapApp("notes", "Notes", "2.0", 3'000'000);
    machine.snapApp("chat", "Chat", "1.0", 1'000'000);
    AppManager manager(machine.layout());
    scanNow(manager);
    FakeTools tools(machine.tree.path("bin"));
    tools.install("flatpak");
    tools.install("snap");
    tools.answer("flatpak",
                 "remote-ls --updates --user --app "
                 "--columns=application,version,branch,origin,download-size",
                 sample("flatpak-remote-ls-updates-user.txt"));
    tools.answer("flatpak",
                 "remote-ls --updates --system --app "
                 "--columns=application,version,branch,origin,download-size",
                 sample("flatpak-remote-ls-updates-system.txt"));
    tools.answer("snap", "refresh --list", sample("snap-refresh-list.txt"));
    tools.answer("flatpak", "update --user --noninteractive org.example.Paint",
                 "Looking for updates…\nUpdating 1/1… ██▌ 30%\rUpdating 1/1… █████ 100%\n"
                 "Updates complete.\n");
    tools.answer("snap", "refresh notes", "", 1,
                 "error: cannot refresh \"notes\": snap \"notes\" has \"auto-refresh\" change in "
                 "progress\n");

    kit::MainLoop loop;
    auto recorder = std::make_shared<UpdateRecorder>();
    manager.updateDelegate = recorder;
    manager.checkStoreUpdatesInBackground();
    ASSERT_TRUE(loop.runUntil([&] { return recorder->checked; }, std::chrono::seconds(30)));
    EXPECT_EQ(recorder->calls.back(), "checked notes org.example.Maps org.example.Paint");
    EXPECT_EQ(recorder->checkError, "");
    const AppModelPtr paint = appWithId(manager.apps, "org.example.Paint");
    ASSERT_TRUE(paint && paint->updateInfo);
    EXPECT_EQ(paint->updateInfo->currentVersion, "3.1");
    EXPECT_EQ(paint->updateInfo->latestVersion, "3.2");
    EXPECT_EQ(paint->updateInfo->updateSize, 4'100'000u);
    EXPECT_EQ(paint->updateInfo->installation, "user");
    EXPECT_EQ(appWithId(manager.apps, "org.example.Maps")->updateInfo->installation, "system");
    EXPECT_FALSE(appWithId(manager.apps, "org.example.Fine")->updateInfo);
    EXPECT_FALSE(appWithId(manager.apps, "chat")->updateInfo);
    EXPECT_EQ(appWithId(manager.apps, "notes")->updateInfo->latestVersion, "2.1");

    for (const AppModelPtr& app : manager.appsWithUpdates()) app->isSelectedUpdate = true;
    recorder->calls.clear();
    manager.updateAppsInBackground();
    ASSERT_TRUE(loop.runUntil([&] { return recorder->finished; }, std::chrono::seconds(30)));
    manager.waitUntilWorkFinished();
    const Lines calls = tools.calls();
    EXPECT_EQ(
        Lines(calls.end() - 3, calls.end()),
        (Lines{"snap refresh notes", "flatpak update --system --noninteractive org.example.Maps",
               "flatpak update --user --noninteractive org.example.Paint"}));
    EXPECT_EQ(
        recorder->calls,
        (Lines{"start", "updating notes", "done notes 1/3 failed", "updating org.example.Maps",
               "done org.example.Maps 2/3", "updating org.example.Paint", "org.example.Paint 30%",
               "org.example.Paint 100%", "done org.example.Paint 3/3", "finish 2/3"}));
    EXPECT_FALSE(paint->updateInfo) << "updated: nothing more on offer";
    EXPECT_EQ(paint->installedVersion, "3.2");
    const AppModelPtr notes = appWithId(manager.apps, "notes");
    EXPECT_TRUE(notes->updateInfo);
    EXPECT_EQ(notes->updateError,
              "The package manager is busy with another program. Try again when it has "
              "finished.");
}

TEST(StoreUpdates, AStoreThatCannotBeAskedLeavesTheOthersAndSaysWhy) {
    LinuxMachine machine;
    machine.flatpakApp("org.example.Paint", "Paint", "3.1", 5'000'000, true);
    machine.snapApp("notes", "Notes", "2.0", 3'000'000);
    AppManager manager(machine.layout());
    scanNow(manager);
    FakeTools tools(machine.tree.path("bin"));  // flatpak missing
    tools.install("snap");
    tools.answer("snap", "refresh --list", "", 0, "All snaps up to date.\n");
    EXPECT_EQ(manager.checkStoreUpdates(), "flatpak: “flatpak” is not installed on this computer.");
    EXPECT_TRUE(manager.appsWithUpdates().empty());
    // Nothing ticked: the run ends at once with nothing done.
    EXPECT_EQ(manager.updateApps(), 0);
}

// A real HTTP server on 127.0.0.1 standing in for the store's lookup service.
class LookupServer {
public:
    LookupServer() {
        http_.server().Get("/lookup", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard<std::mutex> lock(mutex_);
            queries_.push_back(req.get_param_value("bundleId") + " " +
                               req.get_param_value("country") + " " + req.get_param_value("media") +
                               " " + req.get_param_value("entity"));
            const auto it = bodies_.find(req.get_param_value("country"));
            res.status = it == bodies_.end() ? 404 : it->second.first;
            res.set_content(it == bodies_.end() ? "" : it->second.second, "application/json");
        });
        http_.start();
    }
    std::string base() const { return http_.url(); }
    void serve(const std::string& country, std::string body, int status = 200) {
        std::lock_guard<std::mutex> lock(mutex_);
        bodies_[country] = {status, std::move(body)};
    }
    Lines queries() {
        std::lock_guard<std::mutex> lock(mutex_);
        return queries_;
    }

private:
    std::mutex mutex_;
    std::map<std::string, std::pair<int, std::string>> bodies_;
    Lines queries_;
    orvane::testing::LocalHttpServer http_;  // last: stops before what its handlers read
};

std::string withVersion(const std::string& version) {
    std::string body = sample("store-lookup.json");
    const auto at = body.find("\"version\":\"2.10\"");
    return body.replace(at, 16, "\"version\":\"" + version + "\"");
}

TEST(StoreLookup, AsksWithTheQueryKeysAndComparesVersionsAsNumbers) {
    LookupServer server;
    server.serve("de", sample("store-lookup.json"));
    const AppStoreLookup lookup(server.base() + "/");
    const LookupReply reply = lookup.getAppUpdateInfo("com.example.tool", "de");
    ASSERT_TRUE(reply.result) << reply.error->description();
    EXPECT_EQ(server.queries(), (Lines{"com.example.tool de software desktopSoftware"}));

    auto info = AppStoreLookup::updateInfoFrom(*reply.result, "2.9");
    ASSERT_TRUE(info) << "2.10 is newer than 2.9";
    EXPECT_EQ(info->currentVersion, "2.9");
    EXPECT_EQ(info->latestVersion, "2.10");
    EXPECT_EQ(info->updateSize, 48'213'504u);
    EXPECT_EQ(info->adamid, 1'234'567'890u);
    EXPECT_EQ(info->releaseNotes, "Faster start.\nFewer crashes.");
    EXPECT_FALSE(info->releaseDate.empty());
    EXPECT_EQ(info->appStoreImageURLs, (Lines{"https://store.example/shot1.png"}));
    EXPECT_FALSE(AppStoreLookup::updateInfoFrom(*reply.result, "2.10"));
    EXPECT_FALSE(AppStoreLookup::updateInfoFrom(*reply.result, "2.11"));
    server.serve("de", withVersion("2.1"));
    EXPECT_FALSE(
        AppStoreLookup::updateInfoFrom(*lookup.getAppUpdateInfo("x.y.z", "de").result, "2.1"));

    EXPECT_LT(AppStoreLookup::compareVersions("1.9", "1.10"), 0);
    EXPECT_EQ(AppStoreLookup::compareVersions("1.010", "1.10"), 0);
    EXPECT_GT(AppStoreLookup::compareVersions("10.0", "9.99"), 0);
    EXPECT_LT(AppStoreLookup::compareVersions("", "1"), 0);
    EXPECT_GT(AppStoreLookup::compareVersions("1.0.1", "1.0"), 0);
}

TEST(StoreLookup, EveryBadReplyIsAnErrorNeverACrash) {
    using Kind = NetworkError::Kind;
    auto kindOf = [](long status, std::string_view body) {
        const LookupReply r = AppStoreLookup::parseReply(status, body);
        return r.error ? r.error->kind : Kind::unknown;
    };
    EXPECT_EQ(kindOf(500, "{}"), Kind::serverError);
    EXPECT_EQ(kindOf(200, "not json"), Kind::decodingError);
    EXPECT_EQ(kindOf(200, "[1,2]"), Kind::decodingError);
    EXPECT_EQ(kindOf(200, R"({"resultCount":0,"results":[]})"), Kind::custom);
    EXPECT_EQ(kindOf(200, R"({"resultCount":1,"results":[3]})"), Kind::decodingError);
    EXPECT_EQ(AppStoreLookup::parseReply(200, R"({"resultCount":0})").error->description(),
              "No update info found");
    const LookupReply odd = AppStoreLookup::parseReply(
        200,
        R"({"results":[{"version":7,"fileSizeBytes":"-3","trackId":-1,"screenshotUrls":{}}]})");
    ASSERT_TRUE(odd.result);
    EXPECT_FALSE(AppStoreLookup::updateInfoFrom(*odd.result, "1.0")) << "no version, no update";

    // Nothing listens there.
    const AppStoreLookup nowhere("http://127.0.0.1:1", 2000);
    EXPECT_EQ(nowhere.getAppUpdateInfo("a.b.c", "us").error->kind, Kind::custom);
    EXPECT_EQ(AppStoreLookup("").getAppUpdateInfo("a.b.c", "us").error->kind, Kind::custom);
}

TEST(StoreLookup, ARegionWithoutAnswerIsRetriedOnceInTheUS) {
    testing::MacTree mac;
    const std::string bundle = mac.bundle("Applications/Tool.app", "com.example.tool");
    mac.tree.file("Applications/Tool.app/Contents/_MASReceipt/receipt", "r");
    // The bundle says 2.9.
    mac.tree.file("Applications/Tool.app/Contents/Info.plist",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                  "<key>CFBundleIdentifier</key><string>com.example.tool</string>"
                  "<key>CFBundleShortVersionString</key><string>2.9</string></dict></plist>\n");
    mac.index("com.example.tool", {bundle});
    LookupServer server;
    server.serve("de", R"({"resultCount":0,"results":[]})");
    server.serve("us", sample("store-lookup.json"));

    AppManager manager(mac.layout());
    manager.storeLookupURL = server.base();
    scanNow(manager);
    const AppModelPtr tool = appWithId(manager.apps, "com.example.tool");
    ASSERT_TRUE(tool);
    manager.requestUpdateInfo(tool, "de", true);
    ASSERT_TRUE(tool->updateInfo);
    EXPECT_EQ(tool->updateInfo->latestVersion, "2.10");
    EXPECT_EQ(tool->updateInfo->currentVersion, "2.9");

    // A failing US lookup is not retried, and clears what was known.
    server.serve("us", "", 503);
    const std::size_t before = server.queries().size();
    manager.requestUpdateInfo(tool, "us", true);
    EXPECT_FALSE(tool->updateInfo);
    EXPECT_EQ(server.queries().size(), before + 1);
}

}  // namespace
}  // namespace orvane::apps
