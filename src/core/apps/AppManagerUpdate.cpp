// Updates of the app manager. On a freedesktop system the stores are the flatpak remotes and
// the snap store, asked and driven through their own commands; the macOS layout's store copies
// are looked up on the store's lookup service.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>

#include "core/apps/AppManager.h"
#include "core/apps/AppManagerUpdateDelegate.h"
#include "core/apps/AppStoreLookup.h"
#include "core/apps/FlatpakTool.h"
#include "core/apps/SnapTool.h"
#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::apps {

namespace {

AppFilePtr storeCopy(const AppModel& app) {
    for (const AppFilePtr& f : app.appFiles)
        if (f->isAppStoreApp()) return f;
    return nullptr;
}

}  // namespace

std::string AppManager::regionCode() {
    // The session's locale names the region ("de_DE.UTF-8" → "de"); "us" when it does not.
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (!v || !*v) continue;
        const std::string locale = v;
        const auto underscore = locale.find('_');
        if (underscore == std::string::npos || locale.size() < underscore + 3) break;
        std::string country = locale.substr(underscore + 1, 2);
        for (char& c : country) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (std::isalpha(static_cast<unsigned char>(country[0])) &&
            std::isalpha(static_cast<unsigned char>(country[1])))
            return country;
        break;
    }
    return "us";
}

void AppManager::requestUpdateInfo(const AppModelPtr& app, const std::string& country,
                                   bool allowFallbackToUS) {
    const AppFilePtr copy = storeCopy(*app);
    if (!copy) return;
    const AppStoreLookup lookup(storeLookupURL);
    std::string region = country;
    for (;;) {
        const LookupReply reply = lookup.getAppUpdateInfo(app->bundleID, region);
        if (reply.result) {
            const std::string installed = appVersion(copy->url).value_or("");
            auto info = AppStoreLookup::updateInfoFrom(*reply.result, installed);
            app->updateInfo = info ? std::make_shared<AppUpdateInfo>(std::move(*info)) : nullptr;
            return;
        }
        const std::string why = reply.error ? reply.error->description() : "Unknown error";
        ORVANE_LOG("Fetch failed for " + app->bundleID + " (" + region + "): " + why);
        if (allowFallbackToUS && region != "us") {
            ORVANE_LOG("Retrying with US region...");
            region = "us";
            allowFallbackToUS = false;
            continue;
        }
        app->updateInfo = nullptr;
        return;
    }
}

std::string AppManager::checkStoreUpdates() {
    std::vector<AppModelPtr> all = apps;
    all.insert(all.end(), appleApps.begin(), appleApps.end());
    const bool anyFlatpak = std::any_of(
        all.begin(), all.end(), [](const AppModelPtr& a) { return a->kind == AppKind::flatpak; });
    const bool anySnap = std::any_of(all.begin(), all.end(),
                                     [](const AppModelPtr& a) { return a->kind == AppKind::snap; });
    std::string problems;
    auto note = [&](const std::string& what) {
        // One sentence per problem, however many installations it hit.
        if (what.empty() || problems.find(what) != std::string::npos) return;
        if (!problems.empty()) problems += "\n";
        problems += what;
    };

    // flatpak: each installation separately, so an update is applied where the app lives.
    std::map<std::pair<std::string, bool>, FlatpakUpdate> flatpakUpdates;
    bool flatpakAnswered[2] = {false, false};
    if (anyFlatpak) {
        for (bool user : {true, false}) {
            std::string error;
            const auto list = FlatpakTool::listUpdates(user, &error);
            if (!error.empty()) {
                note("flatpak: " + error);
                continue;
            }
            flatpakAnswered[user ? 0 : 1] = true;
            for (const FlatpakUpdate& u : list) flatpakUpdates[{u.application, user}] = u;
        }
    }
    std::map<std::string, SnapRefresh> snapUpdates;
    bool snapAnswered = false;
    if (anySnap) {
        std::string error;
        const auto list = SnapTool::listRefreshes(&error);
        if (error.empty()) {
            snapAnswered = true;
            for (const SnapRefresh& r : list) snapUpdates[r.name] = r;
        } else {
            note("snap: " + error);
        }
    }

    for (const AppModelPtr& app : all) {
        const AppFilePtr copy = storeCopy(*app);
        if (!copy) continue;
        if (app->kind == AppKind::flatpak) {
            const bool user = !layout_.flatpakInstallations.empty() &&
                              platform::isPathInside(copy->url, layout_.flatpakInstallations[0]);
            if (!flatpakAnswered[user ? 0 : 1]) continue;  // unknown: leave what was known
            auto it = flatpakUpdates.find({app->bundleID, user});
            if (it == flatpakUpdates.end()) {
                app->updateInfo = nullptr;
                continue;
            }
            AppUpdateInfo info;
            info.currentVersion = app->installedVersion;
            info.latestVersion = it->second.version;
            info.updateSize = it->second.downloadSize;
            info.store = "flatpak";
            info.installation = user ? "user" : "system";
            app->updateInfo = std::make_shared<AppUpdateInfo>(std::move(info));
        } else if (app->kind == AppKind::snap) {
            if (!snapAnswered) continue;
            auto it = snapUpdates.find(app->bundleID);
            if (it == snapUpdates.end()) {
                app->updateInfo = nullptr;
                continue;
            }
            AppUpdateInfo info;
            info.currentVersion = app->installedVersion;
            info.latestVersion = it->second.version;
            info.updateSize = it->second.size;
            info.store = "snap";
            app->updateInfo = std::make_shared<AppUpdateInfo>(std::move(info));
        } else if (layout_.kind == platform::Layout::Kind::macOS && !storeLookupURL.empty()) {
            requestUpdateInfo(app, regionCode(), true);
        }
    }
    return problems;
}

void AppManager::checkStoreUpdatesInBackground() {
    workQueue.async([this] {
        const std::string error = checkStoreUpdates();
        notifyTo(updateDelegate,
                 [this, list = appsWithUpdates(), error](AppManagerUpdateDelegate& d) {
                     d.appManagerDidFinishCheckingUpdates(*this, list, error);
                 });
    });
}

std::vector<AppModelPtr> AppManager::appsWithUpdates() const {
    std::vector<AppModelPtr> out;
    for (const auto* list : {&apps, &appleApps})
        for (const AppModelPtr& app : *list)
            if (app->updateInfo && storeCopy(*app)) out.push_back(app);
    return out;
}

// A stop lets the update in progress finish: an interrupted package transaction helps nobody.
ToolOutcome AppManager::updateOne(const AppModelPtr& app) {
    const AppUpdateInfo& info = *app->updateInfo;
    if (info.store == "flatpak") {
        return FlatpakTool::update(
            app->bundleID, info.installation == "user", [this, app](int percent) {
                notifyTo(updateDelegate, [this, app, percent](AppManagerUpdateDelegate& d) {
                    d.appManagerDidUpdateAppProgress(*this, app, percent);
                });
            });
    }
    if (info.store == "snap") return SnapTool::refresh(app->bundleID);
    // The macOS store installs through its own private frameworks, which only run there.
    return ToolOutcome::failure(
        kit::localized("Updating from the App Store is only possible on macOS."));
}

int AppManager::updateApps() {
    std::vector<AppModelPtr> kept;
    for (const auto* list : {&apps, &appleApps})
        for (const AppModelPtr& app : *list)
            if (app->isSelectedUpdate && app->updateInfo && storeCopy(*app)) kept.push_back(app);
    const int total = static_cast<int>(kept.size());
    if (kept.empty()) {
        notifyTo(updateDelegate,
                 [this](AppManagerUpdateDelegate& d) { d.appManagerDidFinishUpdate(*this, 0, 0); });
        return 0;
    }
    notifyTo(updateDelegate,
             [this](AppManagerUpdateDelegate& d) { d.appManagerDidStartUpdate(*this); });
    int successCount = 0;
    for (int index = 0; index < total && !isUpdatingCancelled.load(); ++index) {
        const AppModelPtr& app = kept[static_cast<std::size_t>(index)];
        // Its update may have been withdrawn since it was ticked: skipped, counted in the total.
        if (!app->updateInfo) continue;
        notifyTo(updateDelegate, [this, app](AppManagerUpdateDelegate& d) {
            d.appManagerDidStartUpdatingApp(*this, app);
        });
        const ToolOutcome outcome = updateOne(app);
        if (outcome.ok) {
            ++successCount;
            ORVANE_LOG("Successfully updated app " + app->appName);
            if (!app->updateInfo->latestVersion.empty())
                app->installedVersion = app->updateInfo->latestVersion;
            app->updateInfo = nullptr;
            app->isSelectedUpdate = false;
            app->updateError.clear();
        } else {
            ORVANE_LOG("Failed to update app " + app->appName + ": " + outcome.message);
            app->updateError = outcome.message;
        }
        notifyTo(updateDelegate,
                 [this, app, current = index + 1, total](AppManagerUpdateDelegate& d) {
                     d.appManagerDidUpdatingApp(*this, app, current, total);
                 });
    }
    notifyTo(updateDelegate, [this, successCount, total](AppManagerUpdateDelegate& d) {
        d.appManagerDidFinishUpdate(*this, successCount, total);
    });
    return successCount;
}

void AppManager::updateAppsInBackground() {
    isUpdatingCancelled.store(false);
    workQueue.async([this] { updateApps(); });
}

}  // namespace orvane::apps
