// Removal runs of the app manager: the ticked records of installed applications or of the
// leftovers of removed ones.
//
// A run goes app by app. The program deletes the records that are plainly the user's, each
// re-checked right before (same device and inode as the scan saw, reached without following a
// link, still in the folder it was found in). Whatever a package manager installed is left to
// that package manager and runs after every app had its turn, in one step: apt (as
// administrator, one transaction for all ticked packages), flatpak uninstall, snap remove, and
// the administrator removals. Every record ends up in its app's log, removed or not and why.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>

#include "core/apps/AppManager.h"
#include "core/apps/AppPrivileges.h"
#include "core/apps/AppRemovalRoute.h"
#include "core/apps/FlatpakTool.h"
#include "core/apps/SnapTool.h"
#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::apps {

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string shown(const std::string& path) { return kit::displayPath(kit::directoryName(path)); }

files::RemovalResult refusal(std::string why) {
    files::RemovalResult r;
    r.code = files::kRemoveErrorChanged;
    r.error = std::move(why);
    return r;
}

// Whether `file` lies in the app's own data of its sandbox: ~/.var/app/<id> of a flatpak,
// ~/snap/<name> of a snap.
bool isSandboxData(const AppModel& app, const AppFileBaseModel& file,
                   const platform::Layout& layout) {
    std::string folder;
    if (app.kind == AppKind::flatpak && !layout.containers.empty())
        folder = kit::joinPath(layout.containers, app.bundleID);
    if (app.kind == AppKind::snap && !layout.userSnapFolder.empty())
        folder = kit::joinPath(layout.userSnapFolder, app.bundleID);
    return !folder.empty() && platform::isPathInside(file.url, folder);
}

// The install record is still what the scan found: a second uninstall of an app that went in
// the meantime says so instead of the tool's own puzzled message.
std::optional<std::string> vanished(const AppModel& app, const AppFileBaseModel& file) {
    if (!file.scanned) return std::nullopt;
    auto refused = files::FileRemover::checkStillScanned(file.url, *file.scanned);
    if (!refused) return std::nullopt;
    if (refused->code == files::kRemoveErrorMissing)
        return kit::formatLocalized("“%@” is no longer installed.", {app.appName});
    return refused->error;
}

}  // namespace

AppPrivileges& AppManager::privilegedHelper() {
    if (!privileges) privileges = AppPrivileges::helper();
    return *privileges;
}

std::vector<AppCleaningLog> AppManager::startClean(bool isCleaningResiduals) {
    // The run works on its own copy of the list, which pruning changes under it.
    const std::vector<AppModelPtr> list = isCleaningResiduals ? residualApps : apps;
    return cleanSelectedFiles(list);
}

void AppManager::startCleanInBackground(bool isCleaningResiduals) {
    isCleaningCancelled.store(false);
    workQueue.async([this, isCleaningResiduals] { startClean(isCleaningResiduals); });
}

files::RemovalResult AppManager::deleteFile(const AppFileBaseModel& file) const {
    if (!file.scanned)
        return refusal(kit::formatLocalized(
            "“%@” was left in place: it could not be read during the scan.", {shown(file.url)}));
    // The folders that hold everyone's data are never an app's record, whatever a list says.
    const std::string trimmed(kit::withoutTrailingSlashes(file.url));
    for (const std::string* base :
         {&layout_.home, &layout_.preferences, &layout_.applicationSupport, &layout_.logs,
          &layout_.caches, &layout_.containers, &layout_.library, &layout_.userSnapFolder})
        if (!base->empty() && trimmed == kit::withoutTrailingSlashes(*base))
            return refusal(kit::formatLocalized(
                "“%@” was left in place: it is a shared folder, not an application's.",
                {shown(file.url)}));
    if (trimmed.empty() || trimmed.front() != '/')
        return refusal(kit::formatLocalized("“%@” was left in place: it is not a full path.",
                                            {shown(file.url)}));
    static const files::FileRemover remover(nullptr);
    files::RemovalResult r = remover.deleteForever(file.url, *file.scanned);
    if (!r.ok) ORVANE_LOG("删除文件失败: " + file.url + ", 错误: " + r.error);
    return r;
}

AppCleaningLog AppManager::cleanSelectedFiles(const AppModelPtr& app) {
    AppCleaningLog log;
    log.app = app;
    std::vector<AppFilePtr> ticked;
    for (const AppFilePtr& file : app->allSubFiles())
        if (file->selected) ticked.push_back(file);
    const int count = static_cast<int>(ticked.size());
    notify([this, app](AppManagerDelegate& d) { d.appManagerDidStartCleaningApp(*this, app); });

    // Noted before the program removes it: flatpak and snap then drop their own record of the
    // data too (--delete-data, --purge), and only then.
    if (std::any_of(ticked.begin(), ticked.end(),
                    [&](const AppFilePtr& f) { return isSandboxData(*app, *f, layout_); }))
        sandboxDataTicked_.insert(app.get());
    for (int i = 0; i < count; ++i) {
        if (isCleaningCancelled.load()) break;
        const AppFilePtr& file = ticked[static_cast<std::size_t>(i)];
        if (isDeferred(removalRoute(*app, *file, layout_))) {
            if (std::find(deleteAppStoreApps.begin(), deleteAppStoreApps.end(), app) ==
                deleteAppStoreApps.end())
                deleteAppStoreApps.push_back(app);
            continue;
        }
        files::RemovalResult r = deleteFile(*file);
        if (!r.ok && (r.code == EACCES || r.code == EPERM) && layout_.isProtected(file->url)) {
            // Only an administrator may remove it: the helper does, after the other records.
            pendingPrivileged_.push_back({app, file});
            if (std::find(deleteAppStoreApps.begin(), deleteAppStoreApps.end(), app) ==
                deleteAppStoreApps.end())
                deleteAppStoreApps.push_back(app);
            continue;
        }
        file->removeError = r.ok ? std::string() : r.error;
        if (r.ok) {
            log.recordSuccess(file);
        } else {
            log.recordFailure(file, r.error);
        }
        notify([this, done = i + 1, count, size = log.cleanedSize](AppManagerDelegate& d) {
            d.appManagerDidUpdateCleanProgress(*this, done, count, size);
        });
        notify([this, file, ok = r.ok](AppManagerDelegate& d) {
            d.appManagerDidFinishCleaningFile(*this, file, ok);
        });
    }
    log.isSuccess = log.failedFileCount == 0;
    return log;
}

std::vector<std::pair<AppFilePtr, ToolOutcome>> AppManager::rootDeleteApps(
    const std::vector<AppModelPtr>& list) {
    std::vector<std::pair<AppFilePtr, ToolOutcome>> outcomes;
    std::map<const AppFileBaseModel*, ToolOutcome> byRecord;
    auto finish = [&](const AppModelPtr& app, const AppFilePtr& file, ToolOutcome outcome) {
        file->removeError = outcome.ok ? std::string() : outcome.message;
        byRecord[file.get()] = outcome;
        notify([this, file, ok = outcome.ok](AppManagerDelegate& d) {
            d.appManagerDidFinishCleaningFile(*this, file, ok);
        });
        (void)app;
    };
    auto tickedOf = [](const AppModel& app) {
        std::vector<AppFilePtr> out;
        for (const AppFilePtr& f : app.allSubFiles())
            if (f->selected) out.push_back(f);
        return out;
    };

    // Debian packages: asked of apt first, then removed in one transaction.
    std::vector<std::pair<AppModelPtr, AppFilePtr>> packages;
    for (const AppModelPtr& app : list)
        for (const AppFilePtr& file : tickedOf(*app))
            if (removalRoute(*app, *file, layout_) == RemovalRoute::package)
                packages.emplace_back(app, file);
    if (!packages.empty()) {
        std::vector<std::string> names;
        for (auto& [app, file] : packages) {
            if (auto gone = vanished(*app, *file)) {
                finish(app, file, ToolOutcome::failure(*gone));
                continue;
            }
            names.push_back(file->packageName);
        }
        if (!names.empty()) {
            const AptRemovalPlan plan = AptRemovalPlan::simulate(names);
            ToolOutcome removed = ToolOutcome::failure(plan.error);
            if (plan.ok && !plan.accepted.empty()) {
                for (const auto& entry : packages)
                    if (!byRecord.count(entry.second.get()))
                        notify([this, app = entry.first](AppManagerDelegate& d) {
                            d.appManagerDidStartCleaningApp(*this, app);
                        });
                removed = privilegedHelper().removePackages(plan.accepted);
                ORVANE_LOG("apt-get remove through the helper: " +
                           std::string(removed.ok ? "done" : removed.message));
            }
            for (auto& [app, file] : packages) {
                if (byRecord.count(file.get())) continue;
                if (auto why = plan.refused.find(file->packageName); why != plan.refused.end()) {
                    finish(app, file, ToolOutcome::failure(why->second));
                } else if (removed.ok && exists(file->url)) {
                    finish(app, file,
                           ToolOutcome::failure(kit::formatLocalized(
                               "apt finished, but “%@” is still installed.", {file->packageName})));
                } else {
                    finish(app, file, removed);
                }
            }
        }
    }

    for (const AppModelPtr& app : list) {
        const std::vector<AppFilePtr> ticked = tickedOf(*app);
        const bool dataTicked = sandboxDataTicked_.count(app.get()) ||
                                std::any_of(ticked.begin(), ticked.end(), [&](const AppFilePtr& f) {
                                    return isSandboxData(*app, *f, layout_);
                                });
        for (const AppFilePtr& file : ticked) {
            const RemovalRoute route = removalRoute(*app, *file, layout_);
            if (route != RemovalRoute::flatpak && route != RemovalRoute::snap &&
                route != RemovalRoute::privileged)
                continue;
            notify([this, app](AppManagerDelegate& d) {
                d.appManagerDidStartCleaningApp(*this, app);
            });
            if (auto gone = vanished(*app, *file)) {
                finish(app, file, ToolOutcome::failure(*gone));
                continue;
            }
            if (route == RemovalRoute::flatpak) {
                const bool user =
                    !layout_.flatpakInstallations.empty() &&
                    platform::isPathInside(file->url, layout_.flatpakInstallations.front());
                finish(app, file, FlatpakTool::uninstall(app->bundleID, user, dataTicked));
            } else if (route == RemovalRoute::snap) {
                finish(app, file, SnapTool::remove(app->bundleID, dataTicked));
            } else {
                const ToolOutcome done = privilegedHelper().removePath(file->url, file->scanned);
                if (!done.ok)
                    ORVANE_LOG("使用 Root 权限删除应用失败: " + file->url +
                               ", 错误: " + done.message);
                finish(app, file, done);
            }
        }
    }

    // Items in protected places the user could not remove alone.
    for (const auto& [app, file] : pendingPrivileged_) {
        ToolOutcome done = privilegedHelper().removePath(file->url, file->scanned);
        finish(app, file, std::move(done));
    }
    pendingPrivileged_.clear();

    // What the tool installed besides the install itself goes, or stays, with it.
    for (const AppModelPtr& app : list) {
        const std::vector<AppFilePtr> ticked = tickedOf(*app);
        const AppFileBaseModel* install = nullptr;
        for (const AppFilePtr& f : ticked) {
            const RemovalRoute r = removalRoute(*app, *f, layout_);
            if (r == RemovalRoute::package || r == RemovalRoute::flatpak || r == RemovalRoute::snap)
                install = f.get();
        }
        for (const AppFilePtr& file : ticked) {
            if (removalRoute(*app, *file, layout_) != RemovalRoute::withPackage) continue;
            if (install && byRecord.count(install)) {
                ToolOutcome o = byRecord[install];
                if (o.ok && exists(file->url))
                    o = ToolOutcome::failure(kit::formatLocalized(
                        "“%@” is still there after the application was removed.",
                        {shown(file->url)}));
                finish(app, file, o);
            } else {
                finish(app, file,
                       ToolOutcome::failure(kit::formatLocalized(
                           "“%@” belongs to the installation of “%@” and goes only with it.",
                           {shown(file->url), app->appName})));
            }
        }
    }

    // In the order of the apps and their records.
    for (const AppModelPtr& app : list)
        for (const AppFilePtr& file : app->allSubFiles())
            if (auto it = byRecord.find(file.get()); it != byRecord.end())
                outcomes.emplace_back(file, it->second);
    return outcomes;
}

std::vector<AppCleaningLog> AppManager::cleanSelectedFiles(const std::vector<AppModelPtr>& list) {
    deleteAppStoreApps.clear();
    pendingPrivileged_.clear();
    sandboxDataTicked_.clear();
    std::vector<AppCleaningLog> logs;
    for (const AppModelPtr& app : list) {
        if (isCleaningCancelled.load()) break;
        AppCleaningLog log = cleanSelectedFiles(app);
        if (log.cleanedFileCount + log.failedFileCount >= 1) {
            logs.push_back(std::move(log));
            updateAppModel(app, true);
        }
    }

    if (!deleteAppStoreApps.empty() && !isCleaningCancelled.load()) {
        const std::vector<AppModelPtr> deferred = deleteAppStoreApps;
        for (const auto& [file, outcome] : rootDeleteApps(deferred)) {
            const AppModelPtr* owner = nullptr;
            for (const AppModelPtr& app : deferred) {
                const auto all = app->allSubFiles();
                if (std::find(all.begin(), all.end(), file) != all.end()) owner = &app;
            }
            if (!owner) continue;
            auto it = std::find_if(logs.begin(), logs.end(), [&](const AppCleaningLog& l) {
                return l.app->bundleID == (*owner)->bundleID;
            });
            if (it == logs.end()) {
                logs.push_back(AppCleaningLog{*owner, 0, 0, true, 0, {}});
                it = logs.end() - 1;
            }
            if (outcome.ok) {
                it->recordSuccess(file);
            } else {
                it->recordFailure(file, outcome.message);
            }
        }
    }
    deleteAppStoreApps.clear();
    pendingPrivileged_.clear();
    sandboxDataTicked_.clear();

    for (const AppModelPtr& app : list) updateAppModel(app, true);
    notify([this, logs](AppManagerDelegate& d) { d.appManagerDidFinishCleaning(*this, logs); });
    return logs;
}

void AppManager::updateAppModel(const AppModelPtr& app, bool removingDeletedFiles) {
    if (!removingDeletedFiles || !app) return;
    auto prune = [&](std::vector<AppModelPtr>& list) {
        for (const AppModelPtr& entry : list) {
            if (entry->bundleID != app->bundleID) continue;
            for (auto* files : {&entry->appFiles, &entry->peferenceFiles, &entry->appSupportFiles,
                                &entry->logFiles, &entry->otherFiles})
                std::erase_if(*files, [](const AppFilePtr& f) { return !exists(f->url); });
        }
        std::erase_if(list, [](const AppModelPtr& a) { return a->totalSize() == 0; });
    };
    prune(apps);
    prune(residualApps);
}

std::vector<std::string> AppManager::tickedPackageNames(const std::vector<AppModelPtr>& list) {
    std::vector<std::string> names;
    for (const AppModelPtr& app : list)
        for (const AppFilePtr& file : app->appFiles)
            if (file->selected && !file->packageName.empty()) names.push_back(file->packageName);
    return names;
}

AptRemovalPlan AppManager::debianRemovalPlan(const std::vector<AppModelPtr>& list) {
    const std::vector<std::string> names = tickedPackageNames(list);
    if (names.empty()) {
        AptRemovalPlan plan;
        plan.ok = true;
        return plan;
    }
    return AptRemovalPlan::simulate(names);
}

void AppManager::debianRemovalPlanInBackground(std::vector<std::string> names,
                                               std::shared_ptr<std::atomic<bool>> stop,
                                               std::function<void(const AptRemovalPlan&)> done) {
    workQueue.async([alive = alive_, names = std::move(names), stop = std::move(stop),
                     done = std::move(done)]() mutable {
        AptRemovalPlan plan = AptRemovalPlan::simulate(names, stop.get());
        kit::delay(0, [alive, plan = std::move(plan), done = std::move(done)] {
            if (*alive) done(plan);
        });
    });
}

}  // namespace orvane::apps
