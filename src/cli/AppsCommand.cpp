// `orvane apps [--json] [--residual] [--sort name|size|date] [--root DIR]`: the installed
// applications with the files that belong to them, and optionally the leftovers of removed ones.
// With --uninstall, --remove-residual, --updates or --update it acts on what the scan found.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/AppsActions.h"
#include "cli/Commands.h"
#include "core/apps/AppManager.h"
#include "kit/DateFormat.h"
#include "kit/JsonText.h"
#include "kit/MainQueue.h"
#include "kit/Paths.h"
#include "kit/SizeFormat.h"
#include "platform/Layout.h"

namespace orvane::cli {

namespace {

using apps::AppManager;
using apps::AppModelPtr;

std::atomic<bool>* gCancel = nullptr;
std::atomic<bool> gAppsInterrupted{false};

extern "C" void onAppsInterrupt(int) {
    gAppsInterrupted.store(true);
    if (gCancel) gCancel->store(true);
}

// Progress on a terminal's standard error, one line redrawn in place, and the end of the pass.
class ScanWatcher final : public apps::AppManagerDelegate {
public:
    explicit ScanWatcher(bool showProgress) : showProgress_(showProgress) {}
    std::atomic<bool> finished{false};

    void appManagerDidUpdateProgress(AppManager&, int progress, int total) override {
        progress_ = progress;
        total_ = total;
    }
    void appManagerDidFinishScanningApp(AppManager&, const AppModelPtr& app) override {
        if (!showProgress_) return;
        std::string name = kit::displayPath(app->appName);
        if (name.size() > 50) name = name.substr(0, 47) + "...";
        std::fprintf(stderr, "\r\033[KScanning applications %d/%d  %s", progress_, total_,
                     name.c_str());
        std::fflush(stderr);
    }
    void appManagerDidFinishScan(AppManager&, const std::vector<AppModelPtr>&) override {
        if (showProgress_) std::fputs("\r\033[K", stderr);
        finished.store(true);
    }

private:
    bool showProgress_;
    int progress_ = 0, total_ = 0;
};

apps::AppManageItemSortType sortType(const std::string& name) {
    if (name == "size") return apps::AppManageItemSortType::sizeDesc;
    if (name == "date") return apps::AppManageItemSortType::dateRecent;
    return apps::AppManageItemSortType::normal;
}

void appendApp(std::string& out, const apps::AppModel& app) {
    out += "{\"bundleId\":" + kit::jsonString(app.bundleID) +
           ",\"name\":" + kit::jsonString(app.appName) +
           ",\"version\":" + kit::jsonString(app.installedVersion) +
           ",\"kind\":" + kit::jsonString(apps::appKindName(app.kind)) +
           ",\"size\":" + std::to_string(app.totalSize()) +
           ",\"lastUsed\":" + std::to_string(static_cast<long long>(app.timeInterval)) +
           ",\"files\":[";
    bool first = true;
    for (const apps::AppFilePtr& file : app.allSubFiles()) {
        if (!first) out += ',';
        first = false;
        out += "{\"path\":" + kit::jsonString(file->url) +
               ",\"type\":" + kit::jsonString(apps::appFileTypeName(file->type())) +
               ",\"size\":" + std::to_string(file->size);
        if (!file->packageName.empty()) out += ",\"package\":" + kit::jsonString(file->packageName);
        out += '}';
    }
    out += "]}";
}

void printJson(const AppManager& manager, bool residual, bool interrupted) {
    std::string out = "{\"apps\":[";
    for (std::size_t i = 0; i < manager.apps.size(); ++i) {
        if (i) out += ',';
        appendApp(out, *manager.apps[i]);
    }
    out += ']';
    if (residual) {
        out += ",\"residual\":[";
        for (std::size_t i = 0; i < manager.residualApps.size(); ++i) {
            if (i) out += ',';
            appendApp(out, *manager.residualApps[i]);
        }
        out += ']';
    }
    if (interrupted) out += ",\"interrupted\":true";
    out += "}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
}

void printTextApp(const apps::AppModel& app) {
    std::string head = kit::displayPath(app.appName);
    if (!app.installedVersion.empty()) head += " " + kit::displayPath(app.installedVersion);
    head += "  (" + std::string(apps::appKindName(app.kind)) + ", " +
            kit::displayPath(app.bundleID) + ")";
    const std::string used = app.timeInterval > 0 ? "last used " + kit::dateStr(app.timeInterval)
                                                  : std::string("no recorded use");
    std::printf("%10s  %s  %s\n", kit::transformedFileSize(app.totalSize()).c_str(), head.c_str(),
                app.isResidual ? "" : used.c_str());
    for (const apps::AppFilePtr& file : app.allSubFiles()) {
        std::printf("    %-10s %10s  ", std::string(apps::appFileTypeName(file->type())).c_str(),
                    file->sizeStr().c_str());
        // Paths go out byte for byte so they can be pasted back into a shell.
        std::fwrite(file->url.data(), 1, file->url.size(), stdout);
        if (!file->packageName.empty()) std::printf("  (package %s)", file->packageName.c_str());
        std::fputc('\n', stdout);
    }
}

// What the command was asked to do besides listing.
struct AppsRequest {
    std::vector<std::string> uninstall, removeResidual, update;
    bool withData = false, dryRun = false, updates = false;

    int actions() const {
        return !uninstall.empty() + !removeResidual.empty() + !update.empty() + updates;
    }
};

int run(bool json, bool residual, const std::string& sort, const std::string& root,
        const AppsRequest& request) {
    if (request.actions() > 1) {
        std::fprintf(stderr,
                     "orvane apps: choose one of --uninstall, --remove-residual, --updates and "
                     "--update\n");
        return kExitUsage;
    }
    if (request.withData && request.uninstall.empty()) {
        std::fprintf(stderr, "orvane apps: --with-data goes with --uninstall\n");
        return kExitUsage;
    }
    if (request.dryRun && request.uninstall.empty() && request.removeResidual.empty()) {
        std::fprintf(stderr, "orvane apps: --dry-run goes with --uninstall or --remove-residual\n");
        return kExitUsage;
    }
    if (json && request.actions() && !request.updates) {
        std::fprintf(stderr, "orvane apps: --json lists applications or updates only\n");
        return kExitUsage;
    }
    if (!root.empty()) {
        struct stat st {};
        if (root.front() != '/' || ::stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            std::fprintf(stderr, "orvane apps: --root needs the full path of a folder: %s\n",
                         kit::displayPath(root).c_str());
            return kExitUsage;
        }
        // The session's data folders are this system's, not the one at the root.
        ::unsetenv("XDG_DATA_DIRS");
    }
    kit::MainLoop loop;
    AppManager manager(platform::Layout::linuxLayout(root));
    auto watcher = std::make_shared<ScanWatcher>(!json && ::isatty(STDERR_FILENO));
    manager.delegate = watcher;
    gCancel = &manager.isScanningCancelled;
    auto previous = std::signal(SIGINT, onAppsInterrupt);
    manager.scanApp();
    loop.runUntil([&] { return watcher->finished.load(); });
    manager.waitUntilScanFinished();
    std::signal(SIGINT, previous);
    gCancel = nullptr;
    if (gAppsInterrupted.load()) {
        std::fputs("orvane apps: interrupted during the scan; nothing was changed\n", stderr);
        if (request.actions()) return kExitInterrupted;
    }
    if (!request.uninstall.empty())
        return AppsActions::uninstall(manager, request.uninstall, request.withData, request.dryRun);
    if (!request.removeResidual.empty())
        return AppsActions::removeResidual(manager, request.removeResidual, request.dryRun);
    if (request.updates) return AppsActions::listUpdates(manager, json);
    if (!request.update.empty()) return AppsActions::update(manager, request.update);

    const auto order = sortType(sort);
    AppManager::sortApps(manager.apps, order);
    AppManager::sortApps(manager.residualApps, order);
    const bool interrupted = gAppsInterrupted.load();
    if (json) {
        printJson(manager, residual, interrupted);
    } else {
        if (manager.apps.empty()) std::puts("No applications found.");
        for (const AppModelPtr& app : manager.apps) printTextApp(*app);
        if (residual) {
            std::puts(manager.residualApps.empty() ? "\nNo leftovers of removed applications."
                                                   : "\nLeftovers of removed applications:");
            for (const AppModelPtr& app : manager.residualApps) printTextApp(*app);
        }
        if (interrupted) std::puts("(interrupted: the list is incomplete)");
    }
    return interrupted ? kExitInterrupted : kExitOk;
}

}  // namespace

void addAppsCommand(CLI::App& app, Action& action) {
    auto* cmd = app.add_subcommand(
        "apps", "Installed applications with their settings, data, logs and caches, by size");
    auto json = std::make_shared<bool>(false);
    auto residual = std::make_shared<bool>(false);
    auto sort = std::make_shared<std::string>("name");
    auto root = std::make_shared<std::string>();
    auto request = std::make_shared<AppsRequest>();
    cmd->add_flag("--json", *json, "One JSON object: {\"apps\":[...],\"residual\":[...]}");
    cmd->add_flag("--residual", *residual,
                  "Also list the leftovers of applications already removed");
    cmd->add_option("--sort", *sort,
                    "Order of the list: name (default), size (largest first), date (most recently "
                    "used first)")
        ->check(CLI::IsMember({"name", "size", "date"}));
    cmd->add_option(
        "--root", *root,
        "Inventory the system mounted at this folder (its packages, snaps and system-wide "
        "flatpaks); the user's files are still those of HOME");
    cmd->add_option("--uninstall", request->uninstall,
                    "Remove these applications (by id, as listed): flatpaks and snaps through "
                    "their own commands, Debian packages through apt as administrator, AppImages "
                    "and their menu entries by Orvane")
        ->expected(1, -1);
    cmd->add_flag("--with-data", request->withData,
                  "With --uninstall: their settings, data, logs and caches too");
    cmd->add_option("--remove-residual", request->removeResidual,
                    "Remove these leftovers of removed applications (by id, as listed with "
                    "--residual)")
        ->expected(1, -1);
    cmd->add_flag("--dry-run", request->dryRun,
                  "Show what --uninstall or --remove-residual would remove, touching nothing");
    cmd->add_flag("--updates", request->updates,
                  "Applications with a newer version in their store (flatpak remotes, snap store)");
    cmd->add_option("--update", request->update, "Update these applications from their store")
        ->expected(1, -1);
    cmd->callback([&action, json, residual, sort, root, request] {
        action = [json, residual, sort, root, request] {
            return run(*json, *residual, *sort, *root, *request);
        };
    });
}

const SubcommandRegistration kRegistration{70, addAppsCommand};

}  // namespace orvane::cli
