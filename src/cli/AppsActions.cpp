#include "cli/AppsActions.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>

#include "cli/Commands.h"
#include "core/apps/AppPrivileges.h"
#include "core/apps/AppRemovalRoute.h"
#include "core/apps/FlatpakTool.h"
#include "core/apps/SnapTool.h"
#include "kit/JsonText.h"
#include "kit/MainQueue.h"
#include "kit/Paths.h"
#include "kit/SizeFormat.h"

namespace orvane::cli {

namespace {

using apps::AppManager;
using apps::AppModelPtr;

std::atomic<bool>* gStop = nullptr;
extern "C" void onActionInterrupt(int) {
    if (gStop) gStop->store(true);
}

// Ctrl+C stops a run at its next record or app instead of killing it halfway.
class StopOnInterrupt {
public:
    explicit StopOnInterrupt(std::atomic<bool>& flag) {
        gStop = &flag;
        previous_ = std::signal(SIGINT, onActionInterrupt);
    }
    ~StopOnInterrupt() {
        std::signal(SIGINT, previous_);
        gStop = nullptr;
    }

private:
    void (*previous_)(int) = SIG_DFL;
};

void out(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

std::string shown(const std::string& text) { return kit::displayPath(text); }

// The apps of `list` named by `ids`, in the order named; unknown ids are reported and make the
// whole command a usage error before anything is touched.
bool pick(const std::vector<AppModelPtr>& list, const std::vector<std::string>& ids,
          const char* what, std::vector<AppModelPtr>& picked) {
    bool ok = true;
    for (const std::string& id : ids) {
        AppModelPtr found;
        for (const AppModelPtr& app : list)
            if (app->bundleID == id) found = app;
        if (!found) {
            std::fprintf(stderr, "orvane apps: %s “%s” was not found\n", what, shown(id).c_str());
            ok = false;
        } else if (std::find(picked.begin(), picked.end(), found) == picked.end()) {
            picked.push_back(found);
        }
    }
    return ok;
}

// How a record goes, in the words of the command that will remove it.
std::string routeText(const apps::AppModel& app, const apps::AppFileBaseModel& file,
                      const platform::Layout& layout, bool dataTicked) {
    using apps::RemovalRoute;
    switch (apps::removalRoute(app, file, layout)) {
        case RemovalRoute::program: return "delete";
        case RemovalRoute::package: return "apt-get remove " + file.packageName;
        case RemovalRoute::withPackage: return "with the package";
        case RemovalRoute::flatpak: {
            const bool user = !layout.flatpakInstallations.empty() &&
                              platform::isPathInside(file.url, layout.flatpakInstallations[0]);
            std::string text;
            for (const std::string& a :
                 apps::FlatpakTool::uninstallArguments(app.bundleID, user, dataTicked))
                text += " " + a;
            return "flatpak" + text;
        }
        case RemovalRoute::snap: {
            std::string text;
            for (const std::string& a : apps::SnapTool::removeArguments(app.bundleID, dataTicked))
                text += " " + a;
            return "snap" + text;
        }
        case RemovalRoute::privileged: return "delete as administrator";
    }
    return "delete";
}

bool sandboxDataTicked(const apps::AppModel& app, const platform::Layout& layout) {
    std::string folder;
    if (app.kind == apps::AppKind::flatpak) folder = kit::joinPath(layout.containers, app.bundleID);
    if (app.kind == apps::AppKind::snap)
        folder = kit::joinPath(layout.userSnapFolder, app.bundleID);
    if (folder.empty()) return false;
    for (const apps::AppFilePtr& f : app.allSubFiles())
        if (f->selected && platform::isPathInside(f->url, folder)) return true;
    return false;
}

void printPlan(const std::vector<AppModelPtr>& picked, const platform::Layout& layout) {
    std::uint64_t total = 0;
    int count = 0;
    for (const AppModelPtr& app : picked) {
        const bool data = sandboxDataTicked(*app, layout);
        for (const apps::AppFilePtr& file : app->allSubFiles()) {
            if (!file->selected) continue;
            ++count;
            total += file->size;
            out("would " + routeText(*app, *file, layout, data) + "  " + file->sizeStr() + "  ");
            out(file->url);  // byte for byte
            out("\n");
        }
    }
    out("Would remove " + std::to_string(count) + (count == 1 ? " item" : " items") + " (" +
        kit::transformedFileSize(total) + "); nothing was touched.\n");
}

// apt's answer for the ticked packages, shown before anything goes.
bool printAptPlan(const std::vector<AppModelPtr>& picked) {
    const apps::AptRemovalPlan plan = AppManager::debianRemovalPlan(picked);
    if (!plan.ok) {
        std::fprintf(stderr, "orvane apps: apt cannot tell what it would remove: %s\n",
                     plan.error.c_str());
        return false;
    }
    if (!plan.removed.empty()) {
        std::string line = "apt would remove:";
        for (const std::string& name : plan.removed) line += " " + name;
        out(line + "\n");
    }
    for (const auto& [name, why] : plan.refused)
        out("refused " + shown(name) + ": " + shown(why) + "\n");
    return true;
}

// Prints each record's outcome from the logs; returns the number that failed.
int printLogs(const std::vector<apps::AppCleaningLog>& logs) {
    int failed = 0, removed = 0;
    std::uint64_t size = 0;
    for (const apps::AppCleaningLog& log : logs) {
        for (const apps::CleanedFile& f : log.cleanedFiles) {
            if (f.success) {
                out("removed  ");
                out(f.file->url);
                out("\n");
            } else {
                out("failed   ");
                out(f.file->url);
                out(": " + shown(f.reason) + "\n");
            }
        }
        failed += log.failedFileCount;
        removed += log.cleanedFileCount;
        size += log.cleanedSize;
    }
    out("Removed " + std::to_string(removed) + (removed == 1 ? " item" : " items") + " (" +
        kit::transformedFileSize(size) + ")" +
        (failed ? ", " + std::to_string(failed) + " failed" : std::string()) + ".\n");
    return failed;
}

// On a terminal, which app the run is at and how many items are done, redrawn in place.
class RemovalProgress final : public apps::AppManagerDelegate {
public:
    explicit RemovalProgress(int total) : total_(total) {}
    void appManagerDidStartCleaningApp(AppManager&, const AppModelPtr& app) override {
        name_ = shown(app->appName);
        if (name_.size() > 50) name_ = name_.substr(0, 47) + "...";
        draw();
    }
    void appManagerDidFinishCleaningFile(AppManager&, const apps::AppFilePtr&, bool) override {
        ++done_;
        draw();
    }
    void appManagerDidFinishCleaning(AppManager&,
                                     const std::vector<apps::AppCleaningLog>&) override {
        std::fputs("\r\033[K", stderr);
    }

private:
    void draw() const {
        std::fprintf(stderr, "\r\033[KRemoving %d/%d  %s", done_, total_, name_.c_str());
        std::fflush(stderr);
    }
    int total_, done_ = 0;
    std::string name_;
};

int runRemoval(AppManager& manager, const std::vector<AppModelPtr>& picked, bool residuals,
               bool dryRun) {
    if (picked.empty()) return kExitOk;
    if (!residuals && !printAptPlan(picked)) return kExitFailure;
    if (dryRun) {
        printPlan(picked, manager.layout());
        return kExitOk;
    }
    kit::MainLoop loop;
    StopOnInterrupt stop(manager.isCleaningCancelled);
    manager.isCleaningCancelled.store(false);
    std::vector<apps::AppCleaningLog> logs;
    std::shared_ptr<RemovalProgress> progress;
    if (::isatty(STDERR_FILENO)) {
        int total = 0;
        for (const AppModelPtr& app : picked)
            for (const apps::AppFilePtr& f : app->allSubFiles()) total += f->selected ? 1 : 0;
        progress = std::make_shared<RemovalProgress>(total);
        manager.delegate = progress;
    }
    // Only the picked apps are in the run, whatever else the scan found.
    std::atomic<bool> done{false};
    manager.workQueue.async([&] {
        logs = manager.cleanSelectedFiles(picked);
        done.store(true);
        loop.wake();
    });
    loop.runUntil([&] { return done.load(); });
    manager.waitUntilWorkFinished();
    loop.drain();
    const int failed = printLogs(logs);
    if (manager.isCleaningCancelled.load()) {
        out("(interrupted: the rest was left in place)\n");
        return kExitInterrupted;
    }
    return failed ? kExitFailure : kExitOk;
}

std::string updateLine(const apps::AppModel& app) {
    const apps::AppUpdateInfo& u = *app.updateInfo;
    std::string where = u.store.empty() ? "store" : u.store;
    if (!u.installation.empty()) where += ", " + u.installation;
    return shown(app.bundleID) + "  " + shown(app.appName) + "  " +
           shown(u.currentVersion.empty() ? "?" : u.currentVersion) + " → " +
           shown(u.latestVersion.empty() ? "newer build" : u.latestVersion) + "  (" + where + ")" +
           (u.updateSize ? "  " + kit::transformedFileSize(u.updateSize) : "") + "\n";
}

}  // namespace

int AppsActions::uninstall(AppManager& manager, const std::vector<std::string>& ids, bool withData,
                           bool dryRun) {
    std::vector<AppModelPtr> picked;
    if (!pick(manager.apps, ids, "installed application", picked)) return kExitUsage;
    for (const AppModelPtr& app : picked) {
        if (withData) {
            app->setItemState(true);
        } else {
            app->setItemState(false);
            for (const apps::AppFilePtr& f : app->appFiles) f->selected = true;
        }
    }
    return runRemoval(manager, picked, false, dryRun);
}

int AppsActions::removeResidual(AppManager& manager, const std::vector<std::string>& ids,
                                bool dryRun) {
    std::vector<AppModelPtr> picked;
    if (!pick(manager.residualApps, ids, "leftover", picked)) return kExitUsage;
    for (const AppModelPtr& app : picked) app->setItemState(true);
    return runRemoval(manager, picked, true, dryRun);
}

int AppsActions::listUpdates(AppManager& manager, bool json) {
    const std::string error = manager.checkStoreUpdates();
    const std::vector<AppModelPtr> list = manager.appsWithUpdates();
    if (json) {
        std::string text = "{\"updates\":[";
        for (std::size_t i = 0; i < list.size(); ++i) {
            const apps::AppUpdateInfo& u = *list[i]->updateInfo;
            if (i) text += ',';
            text += "{\"bundleId\":" + kit::jsonString(list[i]->bundleID) +
                    ",\"name\":" + kit::jsonString(list[i]->appName) +
                    ",\"currentVersion\":" + kit::jsonString(u.currentVersion) +
                    ",\"latestVersion\":" + kit::jsonString(u.latestVersion) +
                    ",\"size\":" + std::to_string(u.updateSize) +
                    ",\"store\":" + kit::jsonString(u.store) +
                    ",\"installation\":" + kit::jsonString(u.installation) + "}";
        }
        text += "]";
        if (!error.empty()) text += ",\"error\":" + kit::jsonString(error);
        out(text + "}\n");
    } else {
        if (list.empty()) out("No updates available.\n");
        for (const AppModelPtr& app : list) out(updateLine(*app));
        if (!error.empty()) std::fprintf(stderr, "orvane apps: %s\n", error.c_str());
    }
    return error.empty() ? kExitOk : kExitFailure;
}

int AppsActions::update(AppManager& manager, const std::vector<std::string>& ids) {
    std::vector<AppModelPtr> all = manager.apps;
    all.insert(all.end(), manager.appleApps.begin(), manager.appleApps.end());
    std::vector<AppModelPtr> picked;
    if (!pick(all, ids, "installed application", picked)) return kExitUsage;
    const std::string error = manager.checkStoreUpdates();
    if (!error.empty()) std::fprintf(stderr, "orvane apps: %s\n", error.c_str());
    int failed = 0;
    for (const AppModelPtr& app : all) app->isSelectedUpdate = false;
    for (const AppModelPtr& app : picked) {
        if (app->updateInfo) {
            app->isSelectedUpdate = true;
        } else {
            out("“" + shown(app->appName) + "” has no update on offer.\n");
            ++failed;
        }
    }
    kit::MainLoop loop;
    StopOnInterrupt stop(manager.isUpdatingCancelled);
    manager.isUpdatingCancelled.store(false);
    std::vector<AppModelPtr> ticked;
    for (const AppModelPtr& app : picked)
        if (app->isSelectedUpdate) ticked.push_back(app);
    for (const AppModelPtr& app : ticked) out("updating " + updateLine(*app));
    const int succeeded = manager.updateApps();
    loop.drain();
    for (const AppModelPtr& app : ticked) {
        if (app->updateError.empty() && !app->updateInfo) {
            out("updated  " + shown(app->bundleID) + " to " + shown(app->installedVersion) + "\n");
        } else {
            out("failed   " + shown(app->bundleID) + ": " +
                shown(app->updateError.empty() ? "not updated" : app->updateError) + "\n");
            ++failed;
        }
    }
    out(std::to_string(succeeded) + " app(s) updated successfully\n");
    if (manager.isUpdatingCancelled.load()) return kExitInterrupted;
    return failed ? kExitFailure : kExitOk;
}

}  // namespace orvane::cli
