#include "core/apps/AppManager.h"

#include <algorithm>
#include <cstdlib>

#include "core/apps/AppInventory.h"
#include "core/apps/BundleInfo.h"
#include "core/apps/ResidualScanner.h"
#include "kit/LocalizedCompare.h"
#include "kit/Log.h"
#include "kit/MainQueue.h"
#include "kit/Paths.h"

namespace orvane::apps {

AppManager& AppManager::shared() {
    static AppManager* manager = new AppManager(platform::Layout::current());
    return *manager;
}

AppManager::AppManager(platform::Layout layout) : layout_(std::move(layout)), sizer_(layout_) {
    if (const char* url = std::getenv("ORVANE_STORE_LOOKUP_URL")) storeLookupURL = url;
}

AppManager::~AppManager() {
    stopAndWait();
    *alive_ = false;
}

void AppManager::stopAndWait() {
    isScanningCancelled.store(true);
    isCleaningCancelled.store(true);
    isUpdatingCancelled.store(true);
    scanQueue.drain();
    workQueue.drain();
}

files::ScanTotals AppManager::scanTotals() const {
    files::ScanTotals totals;
    totals.count = foundCount_.load();
    totals.size = foundBytes_.load();
    return totals;
}

void AppManager::scanApp() {
    isScanningCancelled.store(false);
    scanQueue.async([this] { runScan(); });
}

AppFilePtr AppManager::makeRecord(const std::string& path, AppFileType type,
                                  std::optional<std::uint64_t> knownSize) const {
    const std::uint64_t size =
        knownSize
            ? *knownSize
            : static_cast<std::uint64_t>(std::max<std::int64_t>(0, sizer_.calculateFileSize(path)));
    auto record = std::make_shared<AppFileBaseModel>(path, size);
    record->setType(type, layout_);
    return record;
}

void AppManager::runScan() {
    apps.clear();
    residualApps.clear();
    appleApps.clear();
    deleteAppStoreApps.clear();
    installedAppInfo.clear();
    foundCount_.store(0);
    foundBytes_.store(0);
    notify([this](AppManagerDelegate& d) { d.appManagerDidStartScan(*this); });

    const std::unique_ptr<AppInventory> inventory = AppInventory::forLayout(layout_, sizer_);
    const std::vector<InstalledApp> installed = inventory->installedApps(isScanningCancelled);
    const int total = static_cast<int>(installed.size());

    for (int index = 0; index < total; ++index) {
        if (isScanningCancelled.load()) break;
        const InstalledApp& found = installed[static_cast<std::size_t>(index)];
        auto app = std::make_shared<AppModel>(found.appName, found.bundleID, false);
        ORVANE_LOG("app name: " + found.appName + "  bundleID: " + found.bundleID);
        app->kind = found.kind;
        app->installedVersion = found.version;
        app->iconName = found.iconName;
        app->path = found.path;
        for (const AppFileSource& file : inventory->appFiles(found)) {
            AppFilePtr record = makeRecord(file.path, AppFileType::appFile, file.size);
            record->packageName = file.packageName;
            app->appFiles.push_back(std::move(record));
        }
        // Store copies on the macOS layout are looked up on the store while the scan goes on.
        const bool fromStore = layout_.kind == platform::Layout::Kind::macOS &&
                               !storeLookupURL.empty() &&
                               std::any_of(app->appFiles.begin(), app->appFiles.end(),
                                           [](const AppFilePtr& f) { return f->isAppStoreApp(); });
        if (fromStore) requestUpdateInfo(app, regionCode(), true);
        if (found.bundleID.starts_with("com.apple.")) {
            // The system's own applications get nothing else and are never offered.
            appleApps.push_back(std::move(app));
            continue;
        }
        for (const RelatedFile& related :
             inventory->relatedFiles(found, static_cast<std::size_t>(index))) {
            AppFilePtr record = makeRecord(related.path, related.type, std::nullopt);
            switch (related.type) {
                case AppFileType::preferenceFile:
                    app->peferenceFiles.push_back(std::move(record));
                    break;
                case AppFileType::appSupportFile:
                    app->appSupportFiles.push_back(std::move(record));
                    break;
                case AppFileType::logFile: app->logFiles.push_back(std::move(record)); break;
                default: app->otherFiles.push_back(std::move(record)); break;
            }
        }
        app->timeInterval = inventory->lastUsed(found, app->appFiles);
        apps.push_back(app);
        foundCount_.fetch_add(1);
        foundBytes_.fetch_add(app->totalSize());
        installedAppInfo.emplace_back(found.bundleID, found.appName);
        notify([this, progress = index + 1, total](AppManagerDelegate& d) {
            d.appManagerDidUpdateProgress(*this, progress, total);
        });
        notify(
            [this, app](AppManagerDelegate& d) { d.appManagerDidFinishScanningApp(*this, app); });
    }

    if (!isScanningCancelled.load()) {
        // Leftovers are judged against everything installed: the listed applications, their
        // other desktop ids, software without a menu entry, and this program itself.
        auto everything = installedAppInfo;
        for (const InstalledApp& found : installed)
            for (const std::string& id : found.desktopIds)
                if (id != found.bundleID) everything.emplace_back(id, "");
        for (auto& other : inventory->otherInstalled()) everything.push_back(std::move(other));
        everything.emplace_back(std::string(kit::mainAppBundleID), std::string(kit::mainAppName));
        std::vector<AppModelPtr> residual =
            ResidualScanner(layout_, sizer_).scanResidualApps(everything, &isScanningCancelled);
        if (!isScanningCancelled.load()) {
            for (const AppModelPtr& leftover : residual)
                foundBytes_.fetch_add(leftover->totalSize());
            foundCount_.fetch_add(static_cast<std::int64_t>(residual.size()));
            residualApps.insert(residualApps.end(), residual.begin(), residual.end());
        }
    }
    notify([this, list = apps](AppManagerDelegate& d) { d.appManagerDidFinishScan(*this, list); });
}

std::vector<AppModelPtr> AppManager::scanResidualApps(
    const std::vector<std::pair<std::string, std::string>>& info) const {
    return ResidualScanner(layout_, sizer_).scanResidualApps(info);
}

std::optional<std::string> AppManager::appVersion(const std::string& bundlePath) {
    auto info = BundleInfo::read(bundlePath);
    if (!info) return std::nullopt;
    if (!info->shortVersion.empty()) return info->shortVersion;
    if (!info->version.empty()) return info->version;
    return std::nullopt;
}

void AppManager::sortApps(std::vector<AppModelPtr>& list, AppManageItemSortType type) {
    // Keys computed once per app; the sorts are stable so equal keys keep the list's order.
    auto sortBy = [&list](auto key, auto less) {
        using Key = decltype(key(*list.front()));
        std::vector<std::pair<Key, AppModelPtr>> keyed;
        keyed.reserve(list.size());
        for (AppModelPtr& app : list) keyed.emplace_back(key(*app), std::move(app));
        std::stable_sort(keyed.begin(), keyed.end(),
                         [&](const auto& a, const auto& b) { return less(a.first, b.first); });
        for (std::size_t i = 0; i < list.size(); ++i) list[i] = std::move(keyed[i].second);
    };
    if (list.empty()) return;
    switch (type) {
        case AppManageItemSortType::normal:
            sortBy([](const AppModel& a) { return kit::localizedStandardSortKey(a.appName); },
                   std::less<std::string>());
            break;
        case AppManageItemSortType::sizeDesc:
            sortBy([](const AppModel& a) { return a.totalSize(); }, std::greater<std::uint64_t>());
            break;
        case AppManageItemSortType::sizeAsc:
            sortBy([](const AppModel& a) { return a.totalSize(); }, std::less<std::uint64_t>());
            break;
        case AppManageItemSortType::dateRecent:
            sortBy([](const AppModel& a) { return a.timeInterval; }, std::greater<double>());
            break;
        case AppManageItemSortType::dateOldest:
            sortBy([](const AppModel& a) { return a.timeInterval; }, std::less<double>());
            break;
    }
}

void AppManager::sortApps(AppManageItemSortType type) { sortApps(apps, type); }
void AppManager::sortAppsByName() { sortApps(AppManageItemSortType::normal); }
void AppManager::sortAppsBySize(bool isLargeUp) {
    sortApps(isLargeUp ? AppManageItemSortType::sizeDesc : AppManageItemSortType::sizeAsc);
}
void AppManager::sortAppsByDate(bool isOldUp) {
    sortApps(isOldUp ? AppManageItemSortType::dateOldest : AppManageItemSortType::dateRecent);
}

}  // namespace orvane::apps
