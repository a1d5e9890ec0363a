#include "core/junk/CleanManager.h"

#include <algorithm>

#include "core/junk/JunkFiles.h"
#include "core/junk/RuleEnvironment.h"
#include "kit/Log.h"
#include "platform/Trash.h"

namespace orvane::junk {

JunkSetup JunkSetup::current() {
    JunkSetup setup;
    setup.environment = [] {
        return std::make_shared<RuleEnvironment>(platform::Layout::current());
    };
    setup.ruleDocument = [](const platform::Layout& layout) { return ruleDocumentPath(layout); };
    return setup;
}

CleanManager& CleanManager::shared() {
    static CleanManager manager;
    return manager;
}

CleanManager::CleanManager(JunkSetup setup)
    : cleanAppCacheModel(std::make_shared<CleanAppCacheModel>()),
      cleanSystemJunkModel(std::make_shared<CleanSystemJunkModel>()),
      cleanPackageModel(std::make_shared<CleanPackageModel>()),
      cleanTrashModel(std::make_shared<CleanTrashModel>()),
      cleanNetModel(std::make_shared<CleanNetJunkModel>()),
      setup_(std::move(setup)),
      claimed_(std::make_shared<ClaimedPaths>()) {
    if (!setup_.environment) setup_.environment = JunkSetup::current().environment;
    if (!setup_.ruleDocument) setup_.ruleDocument = JunkSetup::current().ruleDocument;
}

CleanManager::~CleanManager() {
    stopScan();
    waitUntilScanFinished();
}

std::vector<CleanBaseModelPtr> CleanManager::getModels() const {
    if (onlyTest) return {cleanTrashModel, cleanPackageModel};
    return {cleanSystemJunkModel, cleanAppCacheModel, cleanTrashModel, cleanPackageModel,
            cleanNetModel};
}

void CleanManager::reloadDatas() {
    for (const auto& model :
         {CleanBaseModelPtr(cleanSystemJunkModel), CleanBaseModelPtr(cleanAppCacheModel),
          CleanBaseModelPtr(cleanTrashModel), CleanBaseModelPtr(cleanPackageModel),
          CleanBaseModelPtr(cleanNetModel)})
        model->resetData();
}

std::string CleanManager::ruleError() const {
    return cleanPreference ? cleanPreference->ruleError : std::string();
}

void CleanManager::beforeScan() {
    reloadDatas();
    claimed_->clear();
    totalJunkSize = 0;
    scanProgress = 0;
    env_ = setup_.environment();
    const auto& layout = env_->layout;

    cleanSystemJunkModel->garbageFolderList = layout.junkCacheFolders;
    cleanSystemJunkModel->logFolderList = layout.junkLogFolders;
    cleanAppCacheModel->garbageFolderList = {layout.caches};
    cleanAppCacheModel->logFolderList = {layout.logs};
    cleanAppCacheModel->sandBoxList = {layout.containers};
    cleanTrashModel->trashFolderList = platform::trashContentFolders(layout, setup_.mountInfoPath);
    cleanPackageModel->packageFolderList = {layout.downloads};

    const InstallBundleIds installed =
        setup_.installed ? setup_.installed() : scanInstalledBundles(layout);
    cleanAppCacheModel->supportAppList.clear();
    for (const auto& [bundleId, path] : installed) {
        auto item = std::make_shared<CleanAppCacheItem>(path);
        item->appPath = path;
        item->bundleIdentifier = bundleId;
        item->appName = installedAppName(layout, path);
        cleanAppCacheModel->supportAppList.push_back(item);
    }
    if (auto d = delegate()) d->scanGetSupportApp(cleanAppCacheModel);
}

long CleanManager::estimateScanCount(const std::shared_ptr<CleanPreference>& preference) const {
    long total = 0;
    if (preference->autoAppAdapter && preference->cacheEnumerator) {
        for (const auto& action : preference->autoAppAdapter->createActionItemsForInstalledApps())
            total += preference->cacheEnumerator->estimateCacheCount(*action);
        total += static_cast<long>(preference->cacheEnumerator->libCacheArray.size() +
                                   preference->cacheEnumerator->containerCacheArray.size());
    }
    for (const auto& category : preference->categories)
        for (const auto& sub : category->subItems)
            for (const auto& action : sub->actionItems)
                total += static_cast<long>(action->pathItems.size());
    for (const auto& folder : cleanPackageModel->packageFolderList)
        if (auto names = files::listDirectory(folder)) total += static_cast<long>(names->size());
    for (const auto& folder : cleanTrashModel->trashFolderList)
        if (auto names = files::listDirectory(folder)) total += static_cast<long>(names->size());
    total += static_cast<long>(preference->unusedLoginArtifacts.size());
    return total > 0 ? total : 1;
}

void CleanManager::scanAcition() {
    if (!env_) beforeScan();
    if (auto d = delegate()) d->startScanTrash();

    const InstallBundleProvider provider =
        setup_.installed ? setup_.installed
                         : [layout = env_->layout] { return scanInstalledBundles(layout); };
    auto preference =
        std::make_shared<CleanPreference>(env_, setup_.ruleDocument(env_->layout), provider);
    cleanPreference = preference;
    scanState = ScanState::scanning;

    // Login items are judged against every application the user has, including ones left on
    // the desktop or in downloads.
    std::set<std::string> installedIds;
    {
        InstallBundleIds everywhere =
            setup_.installed ? setup_.installed()
                             : scanInstalledBundles(env_->layout,
                                                    {env_->layout.desktop, env_->layout.downloads});
        for (const auto& [id, path] : everywhere) installedIds.insert(id);
        UnusedArtifactDetector detector(*env_);
        preference->unusedLoginArtifacts = detector.collectUnusedLoginItemArtifacts(installedIds);
    }
    if (stopRequested_) {
        stopRequested_ = false;
        scanState = ScanState::idle;
        return;
    }
    const long total = estimateScanCount(preference);

    std::vector<std::shared_ptr<ScanOperation>> ops;
    for (const auto& model : getModels()) {
        if (!(scanKinds & model->junkType)) continue;
        auto op = std::make_shared<ScanOperation>(model, preference, claimed_, installedIds);
        op->allScanCounts = total;
        op->setCallbacks(
            [this, model, total](ScanStageType stage, const CleanBaseItemPtr& item,
                                 const std::string& message, long count) {
                const double progress =
                    raiseProgress(ScanOperation::overallProgress(stage, count, total));
                auto d = delegate();
                if (item) {
                    totalJunkSize +=
                        static_cast<std::uint64_t>(std::max<std::int64_t>(0, item->size()));
                    if (d) d->scanTrashFetchData(model, item, progress);
                } else {
                    ORVANE_LOG(">>>>>path:" + message);
                    if (d) d->scanTrashFetchError(model, message, stage);
                }
            },
            [this] {
                if (auto d = delegate()) d->pauseScanTrash();
            },
            [this] {
                if (auto d = delegate()) d->resumeScanTrash();
            },
            [this] {
                if (auto d = delegate()) d->scanTrashCancel();
            });
        // When a kind is done its whole band is, however many hits the estimate expected.
        const double bandEnd = bandEndFor(model->junkType);
        op->setCompletionBlock([this, bandEnd, weak = std::weak_ptr<ScanOperation>(op)] {
            auto strong = weak.lock();
            if (!strong || strong->isCancelled()) return;
            const double progress = raiseProgress(bandEnd);
            if (auto d = delegate()) d->scanTrashProgress(progress);
        });
        ops.push_back(op);
    }
    {
        std::lock_guard guard(opsLock_);
        operations_ = ops;
    }
    for (const auto& op : ops) scanQueue.addOperation(op);
    if (stopRequested_) stopScan();
    scanQueue.waitUntilAllOperationsAreFinished();
    {
        std::lock_guard guard(opsLock_);
        operations_.clear();
    }
    const bool stopped = stopRequested_.exchange(false);
    ScanState expected = ScanState::scanning;
    if (!stopped && scanState.compare_exchange_strong(expected, ScanState::completed)) {
        raiseProgress(1.0);
        if (auto d = delegate()) d->scanTrashCompleted();
    }
}

double CleanManager::raiseProgress(double value) {
    double previous = scanProgress.load();
    while (value > previous && !scanProgress.compare_exchange_weak(previous, value)) {}
    return std::max(previous, value);
}

double CleanManager::bandEndFor(std::uint32_t junkType) {
    switch (static_cast<CleanJunkType>(junkType)) {
        case CleanJunkType::systemJunk: return 0.4;
        case CleanJunkType::appJunk: return 0.6;
        case CleanJunkType::trash: return 0.7;
        case CleanJunkType::package: return 0.8;
        case CleanJunkType::internetJunk: return 1.0;
    }
    return 1.0;
}

void CleanManager::stopScan() {
    stopRequested_ = true;
    ScanState state = scanState.load();
    if (state != ScanState::scanning && state != ScanState::paused) return;
    scanState = ScanState::idle;
    std::vector<std::shared_ptr<ScanOperation>> ops;
    {
        std::lock_guard guard(opsLock_);
        ops = operations_;
    }
    for (const auto& op : ops) op->cancelScan();
    scanQueue.cancelAllOperations();
    // The screen hears of the stop on its main thread; the delegate moves it there.
    if (auto d = delegate()) d->stopScanTrash();
}

void CleanManager::startScan() {
    waitUntilScanFinished();
    stopRequested_ = false;
    scanState = ScanState::scanning;
    scanThread_ = std::thread([this] {
        beforeScan();
        scanAcition();
    });
}

void CleanManager::waitUntilScanFinished() {
    if (scanThread_.joinable() && scanThread_.get_id() != std::this_thread::get_id())
        scanThread_.join();
}

}  // namespace orvane::junk
