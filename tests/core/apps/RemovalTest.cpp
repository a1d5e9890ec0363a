#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "AppFixtures.h"
#include "FakeTools.h"
#include "ScanSupport.h"
#include "core/apps/AppPrivileges.h"
#include "kit/MainQueue.h"
#include "support/DriverContract.h"

namespace orvane::apps {
namespace {

using testing::appWithId;
using testing::FakeTools;
using testing::LinuxMachine;
using testing::scanNow;
using Lines = std::vector<std::string>;

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The administrator side as the run sees it: what it was asked, and what it answers. The real
// helper needs pkexec and a person at the prompt.
class RecordingPrivileges final : public AppPrivileges {
public:
    Lines calls;
    ToolOutcome answer = ToolOutcome::success();
    std::function<void(const std::vector<std::string>&)> onPackages;

    ToolOutcome removePath(const std::string& path,
                           const std::optional<files::ScannedIdentity>& scanned) override {
        calls.push_back("path " + path + (scanned ? "" : " (unscanned)"));
        if (answer.ok) std::remove(path.c_str());
        return answer;
    }
    ToolOutcome removePackages(const std::vector<std::string>& names) override {
        std::string line = "packages";
        for (const auto& n : names) line += " " + n;
        calls.push_back(line);
        if (answer.ok && onPackages) onPackages(names);
        return answer;
    }
};

class CleanRecorder final : public AppManagerDelegate {
public:
    Lines calls;
    std::vector<AppCleaningLog> logs;
    bool finished = false;
    std::function<void(AppManager&)> onFile;

    void appManagerDidStartCleaningApp(AppManager&, const AppModelPtr& app) override {
        calls.push_back("start " + app->bundleID);
    }
    void appManagerDidUpdateCleanProgress(AppManager&, int done, int total,
                                          std::uint64_t size) override {
        calls.push_back("progress " + std::to_string(done) + "/" + std::to_string(total) + " " +
                        std::to_string(size));
    }
    void appManagerDidFinishCleaningFile(AppManager& m, const AppFilePtr& file, bool ok) override {
        calls.push_back(std::string(ok ? "removed " : "failed ") + file->url);
        if (onFile) onFile(m);
    }
    void appManagerDidFinishCleaning(AppManager&, const std::vector<AppCleaningLog>& l) override {
        calls.push_back("finish");
        logs = l;
        finished = true;
    }
};

// Runs one removal the way the screens do (off the main thread) and returns what was reported.
std::shared_ptr<CleanRecorder> clean(AppManager& manager, bool residuals) {
    kit::MainLoop loop;
    auto recorder = std::make_shared<CleanRecorder>();
    manager.delegate = recorder;
    manager.startCleanInBackground(residuals);
    EXPECT_TRUE(loop.runUntil([&] { return recorder->finished; }, std::chrono::seconds(60)));
    manager.waitUntilWorkFinished();
    return recorder;
}

AppFilePtr record(const AppModelPtr& app, const std::string& path) {
    for (const AppFilePtr& f : app->allSubFiles())
        if (f->url == path) return f;
    ADD_FAILURE() << "no record " << path;
    return std::make_shared<AppFileBaseModel>(path, 0);
}

TEST(AppRemoval, TheDriverKeepsTheContractOfEveryModule) {
    LinuxMachine machine;
    machine.appImage("Applications/Tool-1.0-x86_64.AppImage", true, 8000);
    machine.tree.fileOfSize("root/home/ann/.config/tool/settings.ini", 300);
    AppManager manager(machine.layout());
    orvane::testing::expectDriverContract(manager);
}

TEST(AppRemoval, RemovesTheTickedRecordsOnlyAndLogsThem) {
    LinuxMachine machine;
    const std::string image = machine.appImage("Applications/Tool-1.0-x86_64.AppImage", true, 8000);
    const std::string config =
        machine.tree.fileOfSize("root/home/ann/.config/tool/settings.ini", 300);
    const std::string cache = machine.tree.fileOfSize("root/home/ann/.cache/tool/blob", 5000);
    const std::string other =
        machine.appImage("Applications/Other-2.0-x86_64.AppImage", true, 3000);
    AppManager manager(machine.layout());
    manager.privileges = std::make_shared<RecordingPrivileges>();
    scanNow(manager);
    FakeTools tools(machine.tree.path("bin"));

    const AppModelPtr tool = appWithId(manager.apps, "tool");
    ASSERT_TRUE(tool);
    record(tool, machine.home + "/.config/tool")->selected = true;
    record(tool, machine.home + "/.cache/tool")->selected = true;
    const std::uint64_t configSize = record(tool, machine.home + "/.config/tool")->size;
    const std::uint64_t cacheSize = record(tool, machine.home + "/.cache/tool")->size;

    auto recorder = clean(manager, false);
    EXPECT_FALSE(exists(config));
    EXPECT_FALSE(exists(machine.home + "/.config/tool"));
    EXPECT_FALSE(exists(cache));
    EXPECT_TRUE(exists(image)) << "the AppImage itself was not ticked";
    EXPECT_TRUE(exists(other));
    EXPECT_TRUE(tools.calls().empty()) << "no package manager for the user's own files";

    ASSERT_EQ(recorder->logs.size(), 1u);
    const AppCleaningLog& log = recorder->logs[0];
    EXPECT_EQ(log.app, tool);
    EXPECT_EQ(log.cleanedFileCount, 2);
    EXPECT_EQ(log.cleanedSize, configSize + cacheSize);
    EXPECT_EQ(log.failedFileCount, 0);
    EXPECT_TRUE(log.isSuccess);
    EXPECT_EQ(recorder->calls,
              (Lines{"start other", "start tool", "progress 1/2 " + std::to_string(configSize),
                     "removed " + machine.home + "/.config/tool",
                     "progress 2/2 " + std::to_string(configSize + cacheSize),
                     "removed " + machine.home + "/.cache/tool", "finish"}));
    // Pruned: the removed records are gone from the list, the app stays with the rest.
    ASSERT_TRUE(appWithId(manager.apps, "tool"));
    for (const AppFilePtr& f : tool->allSubFiles()) EXPECT_TRUE(exists(f->url)) << f->url;
}

TEST(AppRemoval, AnAppImageTickedWholeGoesWithItsMenuEntryAndLeavesTheList) {
    LinuxMachine machine;
    const std::string image = machine.appImage("Applications/Tool-1.0-x86_64.AppImage", true, 8000);
    const std::string entry =
        machine.tree.file("root/home/ann/.local/share/applications/appimagekit-tool.desktop",
                          LinuxMachine::entry("Tool", image));
    machine.tree.fileOfSize("root/home/ann/.config/tool/settings.ini", 300);
    AppManager manager(machine.layout());
    manager.privileges = std::make_shared<RecordingPrivileges>();
    scanNow(manager);
    FakeTools tools(machine.tree.path("bin"));
    AppModelPtr tool;
    for (const AppModelPtr& app : manager.apps)
        if (app->appName == "Tool") tool = app;
    ASSERT_TRUE(tool);
    ASSERT_EQ(tool->appFiles.size(), 2u) << "the AppImage and its menu entry";
    tool->setItemState(true);
    const std::uint64_t total = tool->totalSize();

    auto recorder = clean(manager, false);
    EXPECT_FALSE(exists(image));
    EXPECT_FALSE(exists(machine.home + "/.config/tool"));
    ASSERT_EQ(recorder->logs.size(), 1u);
    EXPECT_EQ(recorder->logs[0].cleanedSize, total);
    EXPECT_EQ(recorder->logs[0].failedFileCount, 0);
    EXPECT_FALSE(exists(entry));
    EXPECT_TRUE(manager.apps.empty()) << "nothing of it is left";
    EXPECT_TRUE(tools.calls().empty());
}

TEST(AppRemoval, AnItemChangedSinceTheScanIsLeftAloneAndTheRunGoesOn) {
    LinuxMachine machine;
    machine.appImage("Applications/Tool-1.0-x86_64.AppImage", true, 8000);
    machine.tree.fileOfSize("root/home/ann/.config/tool/settings.ini", 300);
    machine.tree.fileOfSize("root/home/ann/.cache/tool/blob", 5000);
    machine.tree.fileOfSize("root/home/ann/.local/state/tool/log.txt", 700);
    const std::string precious = machine.tree.fileOfSize("precious/keep.txt", 10);
    AppManager manager(machine.layout());
    manager.privileges = std::make_shared<RecordingPrivileges>();
    scanNow(manager);
    const AppModelPtr tool = appWithId(manager.apps, "tool");
    ASSERT_TRUE(tool);
    tool->setItemState(false);
    for (const char* rel : {"/.config/tool", "/.cache/tool", "/.local/state/tool"})
        record(tool, machine.home + rel)->selected = true;

    // After the scan: the config folder becomes a link to somewhere precious; the cache folder
    // is swapped for another folder of the same name; the state folder vanishes.
    std::filesystem::remove_all(machine.home + "/.config/tool");
    machine.tree.symlink(machine.tree.path("precious"), "root/home/ann/.config/tool");
    ASSERT_EQ(std::rename((machine.home + "/.cache/tool").c_str(),
                          (machine.home + "/.cache/tool-old").c_str()),
              0);
    machine.tree.fileOfSize("root/home/ann/.cache/tool/blob", 5000);
    std::filesystem::remove_all(machine.home + "/.local/state/tool");

    auto recorder = clean(manager, false);
    EXPECT_TRUE(exists(precious)) << "a link is never followed";
    EXPECT_TRUE(exists(machine.home + "/.cache/tool/blob"))
        << "another folder, not the scanned one";
    EXPECT_TRUE(exists(machine.home + "/.cache/tool-old/blob"));
    ASSERT_EQ(recorder->logs.size(), 1u);
    const AppCleaningLog& log = recorder->logs[0];
    EXPECT_EQ(log.cleanedFileCount, 0);
    EXPECT_EQ(log.failedFileCount, 3);
    EXPECT_FALSE(log.isSuccess);
    ASSERT_EQ(log.cleanedFiles.size(), 3u);
    std::map<std::string, std::string> why;
    for (const CleanedFile& f : log.cleanedFiles) why[f.file->url] = f.reason;
    EXPECT_NE(why[machine.home + "/.config/tool"].find("link"), std::string::npos);
    EXPECT_NE(why[machine.home + "/.cache/tool"].find("replaced"), std::string::npos);
    EXPECT_NE(why[machine.home + "/.local/state/tool"].find("does not exist"), std::string::npos);
    // The vanished record is pruned; the app keeps what still exists.
    for (const AppFilePtr& f : tool->allSubFiles())
        EXPECT_NE(f->url, machine.home + "/.local/state/tool");
}

TEST(AppRemoval, FlatpaksGoThroughFlatpakForTheirOwnInstallation) {
    LinuxMachine machine;
    const std::string paint =
        machine.flatpakApp("org.example.Paint", "Paint", "3.1", 5'000'000, true);
    const std::string maps =
        machine.flatpakApp("org.example.Maps", "Maps", "1.0", 2'000'000, false);
    machine.tree.fileOfSize("root/home/ann/.var/app/org.example.Paint/config/paint.ini", 100);
    machine.tree.fileOfSize("root/home/ann/.var/app/org.example.Maps/cache/tiles", 9000);
    AppManager manager(machine.layout());
    manager.privileges = std::make_shared<RecordingPrivileges>();
    scanNow(manager);
    FakeTools tools(machine.tree.path("bin"));
    tools.install("flatpak");
    tools.onCall("flatpak", "uninstall --user --noninteractive --delete-data org.example.Paint",
                 "rm -rf '" + paint + "'\n");
    tools.answer("flatpak", "uninstall --system --noninteractive org.example.Maps", "", 1,
                 "error: Flatpak system operation Uninstall not allowed for user\n");

    const AppModelPtr p = appWithId(manager.apps, "org.example.Paint");
    const AppModelPtr m = appWithId(manager.apps, "org.example.Maps");
    ASSERT_TRUE(p && m);
    p->setItemState(true);            // with its data
    m->appFiles[0]->selected = true;  // the app alone

    auto recorder = clean(manager, false);
    EXPECT_EQ(tools.calls(),
              (Lines{"flatpak uninstall --system --noninteractive org.example.Maps",
                     "flatpak uninstall --user --noninteractive --delete-data org.example.Paint"}));
    EXPECT_FALSE(exists(machine.home + "/.var/app/org.example.Paint/config"));
    EXPECT_TRUE(exists(machine.home + "/.var/app/org.example.Maps/cache/tiles"));
    ASSERT_EQ(recorder->logs.size(), 2u);
    // Paint's data went in its own pass; its install is the last entry of its log.
    EXPECT_EQ(recorder->logs[0].app, p);
    EXPECT_TRUE(recorder->logs[0].isSuccess);
    EXPECT_EQ(recorder->logs[0].cleanedFiles.back().file->url, paint);
    EXPECT_EQ(recorder->logs[1].app, m) << "an app with only its install ticked is logged after";
    EXPECT_FALSE(recorder->logs[1].isSuccess);
    EXPECT_EQ(recorder->logs[1].cleanedFiles[0].reason,
              "Flatpak system operation Uninstall not allowed for user");
    EXPECT_FALSE(appWithId(manager.apps, "org.example.Paint")) << "uninstalled, data and all";
    EXPECT_TRUE(appWithId(manager.apps, "org.example.Maps"));
}

TEST(AppRemoval, AMissingToolOrAVanishedAppFailsThatItemOnly) {
    LinuxMachine machine;
    const std::string notes = machine.snapApp("notes", "Notes", "2.0", 3'000'000);
    machine.snapApp("chat", "Chat", "1.0", 1'000'000);
    machine.tree.fileOfSize("root/home/ann/snap/chat/common/db", 400);
    machine.flatpakApp("org.example.Paint", "Paint", "3.1", 5'000'000, true);
    const std::string prefs =
        machine.tree.fileOfSize("root/home/ann/.var/app/org.example.Paint/config/x", 10);
    AppManager manager(machine.layout());
    manager.privileges = std::make_shared<RecordingPrivileges>();
    scanNow(manager);
    FakeTools tools(machine.tree.path("bin"));  // no flatpak here
    tools.install("snap");

    const AppModelPtr n = appWithId(manager.apps, "notes");
    const AppModelPtr c = appWithId(manager.apps, "chat");
    const AppModelPtr p = appWithId(manager.apps, "org.example.Paint");
    ASSERT_TRUE(n && c && p);
    n->appFiles[0]->selected = true;
    c->setItemState(true);
    p->setItemState(true);
    std::filesystem::remove_all(notes);  // removed meanwhile

    auto recorder = clean(manager, false);
    EXPECT_EQ(tools.calls(), (Lines{"snap remove --purge chat"}))
        << "the vanished snap is not asked for, the missing flatpak cannot be";
    EXPECT_FALSE(exists(prefs)) << "the program's own part of the run still happened";
    ASSERT_EQ(recorder->logs.size(), 3u);
    std::map<std::string, const AppCleaningLog*> byId;
    for (const auto& l : recorder->logs) byId[l.app->bundleID] = &l;
    EXPECT_EQ(byId["notes"]->cleanedFiles.at(0).reason, "“Notes” is no longer installed.");
    EXPECT_TRUE(byId["chat"]->isSuccess);
    const auto& paintFiles = byId["org.example.Paint"]->cleanedFiles;
    EXPECT_EQ(paintFiles.back().reason, "“flatpak” is not installed on this computer.");
    EXPECT_EQ(byId["org.example.Paint"]->failedFileCount, 1);
}

TEST(AppRemoval, DebianPackagesAreAskedOfAptThenRemovedInOneAdministratorStep) {
    LinuxMachine machine;
    const std::string fooEntry = machine.debApp("fooedit", "fooedit", "Foo Edit", "1.0-1", 100);
    machine.debApp("libbar-gui", "bar", "Bar", "2.0-1", 200);
    machine.debApp("baz", "baz", "Baz", "3.0-1", 300);
    AppManager manager(machine.layout());
    auto privileges = std::make_shared<RecordingPrivileges>();
    privileges->onPackages = [&](const std::vector<std::string>& names) {
        for (const auto& n : names)
            std::remove((machine.root + "/var/lib/dpkg/info/" + n + ".list").c_str());
        std::remove(fooEntry.c_str());
    };
    manager.privileges = privileges;
    scanNow(manager);
    FakeTools tools(machine.tree.path("bin"));
    tools.install("apt-get");
    const std::string note =
        "NOTE: This is only a simulation!\n      apt-get needs root privileges for real "
        "execution.\n      Keep also in mind that locking is deactivated,\n      so don't depend "
        "on the relevance to the real current situation!\nReading package lists...\nBuilding "
        "dependency tree...\nReading state information...\n";
    tools.answer("apt-get", "-s remove libbar-gui baz fooedit",
                 note +
                     "The following packages will be REMOVED:\n  baz bar-plugins fooedit "
                     "libbar-gui\n0 upgraded, 0 newly installed, 4 to remove and 0 not "
                     "upgraded.\nRemv bar-plugins [2.0-1]\nRemv baz [3.0-1]\nRemv fooedit "
                     "[1.0-1]\nRemv libbar-gui [2.0-1]\n");
    tools.answer("apt-get", "-s remove fooedit", note + "Remv fooedit [1.0-1]\n");
    tools.answer("apt-get", "-s remove libbar-gui",
                 note + "Remv bar-plugins [2.0-1]\nRemv libbar-gui [2.0-1]\n");
    tools.answer("apt-get", "-s remove baz", note + "Remv baz [3.0-1]\n");
    tools.answer("apt-get", "-s remove baz fooedit",
                 note + "Remv baz [3.0-1]\nRemv fooedit [1.0-1]\n");

    for (const char* id : {"fooedit", "bar", "baz"}) {
        ASSERT_TRUE(appWithId(manager.apps, id)) << id;
        appWithId(manager.apps, id)->setItemState(true);
    }
    const AptRemovalPlan plan = AppManager::debianRemovalPlan(manager.apps);
    ASSERT_TRUE(plan.ok) << plan.error;
    EXPECT_EQ(plan.accepted, (Lines{"baz", "fooedit"}));
    EXPECT_EQ(plan.removed, (Lines{"baz", "fooedit"}));
    ASSERT_EQ(plan.refused.count("libbar-gui"), 1u);
    EXPECT_EQ(plan.refused.at("libbar-gui"),
              "Other installed packages depend on it: bar-plugins. Removing it would remove them "
              "too.");

    auto recorder = clean(manager, false);
    EXPECT_EQ(privileges->calls, (Lines{"packages baz fooedit"}))
        << "one step, refused one left out";
    std::map<std::string, const AppCleaningLog*> byId;
    for (const auto& l : recorder->logs) byId[l.app->bundleID] = &l;
    ASSERT_TRUE(byId["fooedit"] && byId["bar"] && byId["baz"]);
    EXPECT_TRUE(byId["fooedit"]->isSuccess);
    EXPECT_EQ(byId["fooedit"]->cleanedFileCount, 2) << "the package and its menu entry";
    EXPECT_FALSE(byId["bar"]->isSuccess);
    EXPECT_EQ(byId["bar"]->failedFileCount, 2);
    EXPECT_FALSE(appWithId(manager.apps, "fooedit"));
    EXPECT_TRUE(appWithId(manager.apps, "bar"));
    EXPECT_TRUE(byId["baz"]->cleanedFiles.back().success);
    EXPECT_FALSE(byId["baz"]->isSuccess) << "apt took the package but its entry stayed";
}

TEST(AppRemoval, ADismissedPromptOrABusyPackageManagerFailsThePackages) {
    LinuxMachine machine;
    machine.debApp("fooedit", "fooedit", "Foo Edit", "1.0-1", 100);
    AppManager manager(machine.layout());
    auto privileges = std::make_shared<RecordingPrivileges>();
    privileges->answer = ToolOutcome::failure(
        "The package manager is busy with another program. Try again when it has finished.");
    manager.privileges = privileges;
    scanNow(manager);
    FakeTools tools(machine.tree.path("bin"));
    tools.install("apt-get");
    tools.answer("apt-get", "-s remove fooedit", "Remv fooedit [1.0-1]\n");
    appWithId(manager.apps, "fooedit")->setItemState(true);

    auto recorder = clean(manager, false);
    ASSERT_EQ(recorder->logs.size(), 1u);
    EXPECT_EQ(recorder->logs[0].failedFileCount, 2);
    EXPECT_EQ(recorder->logs[0].cleanedFiles[0].reason,
              "The package manager is busy with another program. Try again when it has "
              "finished.");
    EXPECT_TRUE(appWithId(manager.apps, "fooedit")) << "still installed, still listed";

    // apt itself cannot answer: nothing is asked of the administrator.
    tools.answer("apt-get", "-s remove fooedit", "", 100, "E: Unable to locate package fooedit\n");
    privileges->calls.clear();
    recorder = clean(manager, false);
    EXPECT_TRUE(privileges->calls.empty());
    EXPECT_EQ(recorder->logs.at(0).cleanedFiles.at(0).reason, "Unable to locate package fooedit");
}

TEST(AppRemoval, LeftoversAreRemovedAndAnEmptiedLeftoverLeavesTheList) {
    LinuxMachine machine;
    const std::string a = machine.tree.fileOfSize("root/home/ann/.config/org.gone.Tool/a.conf", 50);
    const std::string b = machine.tree.fileOfSize("root/home/ann/.cache/org.gone.Tool/b", 700);
    const std::string c = machine.tree.fileOfSize("root/home/ann/.cache/org.other.Thing/c", 80);
    AppManager manager(machine.layout());
    manager.privileges = std::make_shared<RecordingPrivileges>();
    scanNow(manager);
    const AppModelPtr gone = appWithId(manager.residualApps, "org.gone.Tool");
    const AppModelPtr thing = appWithId(manager.residualApps, "org.other.Thing");
    ASSERT_TRUE(gone && thing);
    gone->setItemState(true);

    auto recorder = clean(manager, true);
    EXPECT_FALSE(exists(a));
    EXPECT_FALSE(exists(b));
    EXPECT_TRUE(exists(c));
    ASSERT_EQ(recorder->logs.size(), 1u);
    EXPECT_EQ(recorder->logs[0].cleanedFileCount, 2);
    EXPECT_FALSE(appWithId(manager.residualApps, "org.gone.Tool"));
    EXPECT_TRUE(appWithId(manager.residualApps, "org.other.Thing"));
}

TEST(AppRemoval, AStopComesBetweenRecordsAndTheRunStillReportsItsEnd) {
    LinuxMachine machine;
    for (const char* id : {"org.alpha.Tool", "net.beta.Thing"})
        for (const char* where : {".config", ".cache"})
            machine.tree.fileOfSize(std::string("root/home/ann/") + where + "/" + id + "/f", 10);
    machine.debApp("fooedit", "fooedit", "Foo Edit", "1.0-1", 100);
    AppManager manager(machine.layout());
    auto privileges = std::make_shared<RecordingPrivileges>();
    manager.privileges = privileges;
    scanNow(manager);
    FakeTools tools(machine.tree.path("bin"));
    tools.install("apt-get");
    for (const AppModelPtr& app : manager.residualApps) app->setItemState(true);
    appWithId(manager.apps, "fooedit")->setItemState(true);

    // The stop is already in when the first record's turn comes.
    kit::MainLoop loop;
    auto recorder = std::make_shared<CleanRecorder>();
    manager.delegate = recorder;
    std::vector<AppCleaningLog> logs;
    manager.workQueue.async([&] {
        manager.isCleaningCancelled.store(true);
        logs = manager.startClean(true);
        logs = manager.startClean(false);
    });
    EXPECT_TRUE(loop.runUntil([&] { return recorder->finished; }, std::chrono::seconds(60)));
    manager.waitUntilWorkFinished();
    EXPECT_TRUE(logs.empty());
    EXPECT_EQ(recorder->calls.back(), "finish");
    EXPECT_TRUE(machine.tree.exists("root/home/ann/.config/org.alpha.Tool/f"));
    EXPECT_EQ(manager.residualApps.size(), 2u);
    EXPECT_TRUE(tools.calls().empty()) << "the package step is skipped";
    EXPECT_TRUE(privileges->calls.empty());
}

}  // namespace
}  // namespace orvane::apps
