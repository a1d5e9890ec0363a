#include "core/junk/CleanManager.h"

#include <algorithm>

#include "core/files/FileRemover.h"
#include "core/junk/AuthoredHelper.h"
#include "core/junk/JunkFiles.h"
#include "core/junk/RuleEnvironment.h"
#include "core/junk/RunningApps.h"
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

CleanManager::~CleanManager() { stopAndWait(); }

void CleanManager::stopAndWait() {
    stopScan();
    stopClean();
    waitUntilScanFinished();
    waitUntilCleanFinished();
}

orvane::files::ScanTotals CleanManager::scanTotals() const {
    orvane::files::ScanTotals totals;
    totals.count = foundCount_.load();
    totals.size = totalJunkSize.load();
    return totals;
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
    foundCount_ = 0;
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
                    foundCount_.fetch_add(1);
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
    if (!stopped) markRunningApps();
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

void CleanManager::markRunningApps() {
    const RunningApps running = RunningApps::read(setup_.procRoot);
    const std::vector<std::string> appFolders{env_->layout.caches, env_->layout.containers};
    for (const CleanBaseModelPtr& model :
         {CleanBaseModelPtr(cleanAppCacheModel), CleanBaseModelPtr(cleanNetModel)})
        for (const CleanBaseItemPtr& item : model->allItems) {
            std::string owner = running.ownerOf(*item, appFolders);
            if (owner.empty()) continue;
            item->runningApp = std::move(owner);
            item->isSelected = false;
        }
}

void CleanManager::startClean() {
    waitUntilCleanFinished();
    cleanStopRequested_ = false;
    cleanState = CleanState::cleaning;
    cleanThread_ = std::thread([this] { runClean(); });
}

void CleanManager::cleanAcition() {
    cleanStopRequested_ = false;
    cleanState = CleanState::cleaning;
    runClean();
}

void CleanManager::runClean() {
    cleanedSize = 0;
    if (auto d = cleaner()) d->startCleanTrash();

    if (!remover_) remover_ = std::make_unique<orvane::files::FileRemover>(nullptr);
    auto context = std::make_shared<CleanContext>();
    context->remover = remover_.get();
    context->authoredHelper =
        setup_.authoredHelper ? setup_.authoredHelper : &AuthoredHelper::sharedInstance();
    context->layout = env_ ? env_->layout : setup_.environment()->layout;
    context->neverRemoved = CleanContext::wellKnownPlaces(context->layout);
    // The rules in force for this cleaning are the ones the items were found with.
    auto setting = cleanPreference;

    std::vector<CleanOperationPtr> ops;
    for (const auto& model : getModels()) {
        model->suceesCount = 0;
        model->errorCount = 0;
        auto op = std::make_shared<CleanOperation>(model, setting, context);
        op->removeInfoBlock = [this](const CleanBaseItemPtr& item, std::int64_t size, bool success,
                                     CleanStageType stage) {
            if (item->cleanOutcome == CleanBaseItem::CleanOutcome::removed)
                cleanedSize += item->freedBytes;
            if (auto d = cleaner()) d->cleanTrashProgress(item->url, success, stage, size);
        };
        op->removePuaseBlock = [this] {
            if (auto d = cleaner()) d->pauseCleanTrash();
        };
        op->removeSuspendBlock = [this] {
            if (auto d = cleaner()) d->resumeCleanTrash();
        };
        op->removeStartBlock = [this](CleanStageType stage) {
            if (auto d = cleaner()) d->cleanTrashStartForState(stage);
        };
        op->removeFinishBlock = [this](CleanStageType stage) {
            if (auto d = cleaner()) d->cleanTrashFinishForState(stage);
        };
        ops.push_back(op);
    }
    {
        std::lock_guard guard(opsLock_);
        cleanOperations_ = ops;
    }
    for (const auto& op : ops) cleanQueue.addOperation(op);
    if (cleanStopRequested_) stopClean();
    cleanQueue.waitUntilAllOperationsAreFinished();
    {
        std::lock_guard guard(opsLock_);
        cleanOperations_.clear();
    }
    const bool stopped = cleanStopRequested_.exchange(false);
    CleanState expected = CleanState::cleaning;
    if (!stopped && cleanState.compare_exchange_strong(expected, CleanState::completed)) {
        if (auto d = cleaner()) d->cleanTrashCompleted();
    }
}

void CleanManager::stopClean() {
    cleanStopRequested_ = true;
    const CleanState state = cleanState.load();
    if (state != CleanState::cleaning && state != CleanState::paused) return;
    cleanState = CleanState::idle;
    std::vector<CleanOperationPtr> ops;
    {
        std::lock_guard guard(opsLock_);
        ops = cleanOperations_;
    }
    for (const auto& op : ops) op->stop();
    cleanQueue.cancelAllOperations();
    if (auto d = cleaner()) d->stopCleanTrash();
}

void CleanManager::pauseClean() {
    CleanState expected = CleanState::cleaning;
    if (!cleanState.compare_exchange_strong(expected, CleanState::paused)) return;
    std::lock_guard guard(opsLock_);
    for (const auto& op : cleanOperations_) op->pause();
}

void CleanManager::resumeClean() {
    CleanState expected = CleanState::paused;
    if (!cleanState.compare_exchange_strong(expected, CleanState::cleaning)) return;
    std::lock_guard guard(opsLock_);
    for (const auto& op : cleanOperations_) op->resume();
}

void CleanManager::waitUntilCleanFinished() {
    if (cleanThread_.joinable() && cleanThread_.get_id() != std::this_thread::get_id())
        cleanThread_.join();
}

void CleanManager::waitUntilScanFinished() {
    if (scanThread_.joinable() && scanThread_.get_id() != std::this_thread::get_id())
        scanThread_.join();
}

}  // namespace orvane::junk
