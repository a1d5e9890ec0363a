#include "core/junk/ScanOperation.h"

#include <algorithm>

#include "core/junk/JunkFiles.h"
#include "core/junk/RuleEnvironment.h"
#include "core/junk/RuleText.h"
#include "kit/Log.h"
#include "kit/Paths.h"
#include "platform/Trash.h"

namespace orvane::junk {

namespace {

// The rule groups of application junk that the scan runs; the others of that category are
// kept for cleaning-only purposes and are never scanned.
const std::set<std::string> kScannedAppGroups = {"20011", "20012", "20013", "200110",
                                                 "20014", "20016", "20017", "20018"};
// The rule group of developer tools' junk within system junk.
constexpr std::string_view kDeveloperGroup = "1003";

}  // namespace

ScanOperation::ScanOperation(CleanBaseModelPtr m, std::shared_ptr<CleanPreference> preference,
                             std::shared_ptr<ClaimedPaths> claimed, std::set<std::string> installed)
    : model(std::move(m)),
      prefererence(std::move(preference)),
      installedBundleIds(std::move(installed)),
      claimed_(std::move(claimed)) {}

void ScanOperation::setCallbacks(ScanInfoBlock info, std::function<void()> pauseBlock,
                                 std::function<void()> suspend, std::function<void()> cancelled) {
    std::lock_guard guard(callbackLock_);
    scanInfoBlock = std::move(info);
    scanPauseBlock = std::move(pauseBlock);
    scanSuspendBlock = std::move(suspend);
    scanCancelBlock = std::move(cancelled);
}

void ScanOperation::cancelScan() {
    cancel();
    {
        std::lock_guard guard(pauseLock);
        isRunning = false;
        isPaused = false;
    }
    pauseCondition_.notify_all();
    if (!cancelReported_.exchange(true)) {
        std::function<void()> block;
        {
            std::lock_guard guard(callbackLock_);
            block = scanCancelBlock;
        }
        if (block) block();
    }
    setCallbacks({}, {}, {}, {});
}

void ScanOperation::pause() {
    std::lock_guard guard(pauseLock);
    isPaused = true;
}

void ScanOperation::resume() {
    {
        std::lock_guard guard(pauseLock);
        isPaused = false;
    }
    pauseCondition_.notify_all();
}

bool ScanOperation::pausePoint() {
    {
        std::unique_lock lock(pauseLock);
        while (isPaused && isRunning && !isCancelled()) {
            std::function<void()> pauseBlock, suspend;
            {
                std::lock_guard guard(callbackLock_);
                pauseBlock = scanPauseBlock;
                suspend = scanSuspendBlock;
            }
            if (pauseBlock) pauseBlock();
            pauseCondition_.wait(lock);
            if (suspend) suspend();
        }
    }
    if (isCancelled() || !isRunning) {
        if (!cancelReported_.exchange(true)) {
            std::function<void()> block;
            {
                std::lock_guard guard(callbackLock_);
                block = scanCancelBlock;
            }
            if (block) block();
        }
        return false;
    }
    return true;
}

double ScanOperation::overallProgress(ScanStageType stage, long scannedCount, long allScanCounts) {
    const double f =
        allScanCounts > 0
            ? std::min(1.0, static_cast<double>(scannedCount) / static_cast<double>(allScanCounts))
            : 1.0;
    switch (stage) {
        case ScanStageType::scanStageSystemCaches:
        case ScanStageType::scanStageSystemLogs:
        case ScanStageType::scanStageXcodeCaches: return 0.4 * f;
        case ScanStageType::scanStageApp: return 0.4 + 0.2 * f;
        case ScanStageType::scanStagetrash: return 0.6 + 0.1 * f;
        case ScanStageType::scanStagePackage: return 0.7 + 0.1 * f;
        case ScanStageType::scanStageInternetJunks: return 0.8 + 0.2 * f;
    }
    return f;
}

void ScanOperation::report(ScanStageType stage, const CleanBaseItemPtr& item) {
    ScanInfoBlock block;
    {
        std::lock_guard guard(callbackLock_);
        block = scanInfoBlock;
    }
    if (block) block(stage, item, {}, count_);
}

void ScanOperation::message(ScanStageType stage, const std::string& text) {
    ScanInfoBlock block;
    {
        std::lock_guard guard(callbackLock_);
        block = scanInfoBlock;
    }
    if (block) block(stage, nullptr, text, count_);
}

bool ScanOperation::addItem(const CleanBaseItemPtr& item, ScanStageType stage) {
    if (claimed_ && !claimed_->claim(item->url)) {
        ORVANE_LOG("already offered under another heading: " + item->url);
        return false;
    }
    // Items found by listing a folder belong to that folder.
    if (item->basePath.empty()) item->basePath = kit::parentPath(item->url);
    model->addCacheItem(item);
    ++count_;
    report(stage, item);
    return true;
}

void ScanOperation::main() {
    auto filterParser = prefererence ? prefererence->filterParser : nullptr;
    if (filterParser) filterParser->setShouldCancel([this] { return isCancelled() || !isRunning; });
    if (isCancelled()) {
        pausePoint();
        setCallbacks({}, {}, {}, {});
        return;
    }
    switch (static_cast<CleanJunkType>(model->junkType)) {
        case CleanJunkType::systemJunk:
            if (auto category = prefererence->category("1"))
                scanWithXMLRules(category, ScanStageType::scanStageSystemCaches);
            else scanSystemJunkLegacy();
            scanLoginArtifacts();
            break;
        case CleanJunkType::appJunk: scanAppJunk(); break;
        case CleanJunkType::trash: scanTrashJunk(); break;
        case CleanJunkType::package: scanPackageJunk(); break;
        case CleanJunkType::internetJunk:
            if (auto category = prefererence->category("3"))
                scanWithXMLRules(category, ScanStageType::scanStageInternetJunks);
            break;
    }
    setCallbacks({}, {}, {}, {});
    if (filterParser) filterParser->setShouldCancel(nullptr);
}

CleanBaseItemPtr ScanOperation::createCleanItem(const ResultItemPtr& hit) const {
    CleanBaseItemPtr item;
    switch (static_cast<CleanJunkType>(model->junkType)) {
        case CleanJunkType::systemJunk: {
            auto system = std::make_shared<CleanSystemJunkItem>(hit->path);
            system->isSelected = true;
            system->appPath = hit->relatedAppPath.value_or("");
            system->languageIdentifier = hit->languageIdentifier;
            system->languageDisplayName = hit->languageDisplayName;
            item = system;
            break;
        }
        case CleanJunkType::appJunk:
            item = std::make_shared<CleanAppCacheItem>(hit->path);
            item->isSelected = true;
            break;
        case CleanJunkType::trash: item = std::make_shared<CleanTrashItem>(hit->path); break;
        case CleanJunkType::package: item = std::make_shared<CleanPackageItem>(hit->path); break;
        case CleanJunkType::internetJunk:
            item = std::make_shared<CleanInternetJunkItem>(hit->path);
            break;
    }
    if (!item) return nullptr;
    item->id = hit->id;
    item->basePath = hit->basePath;
    item->bundleIdentifier = hit->bundleId.value_or("");
    item->appName = hit->appName.value_or("");
    item->cleanType = hit->cleanType;
    if (hit->fileSize > 0) item->setKnownSize(hit->fileSize);
    return item;
}

long ScanOperation::scanWithXMLRules(const CategoryItemPtr& category, ScanStageType scanStage) {
    long hits = 0;
    auto filterParser = prefererence->filterParser;
    if (!filterParser) return 0;
    for (const auto& sub : category->subItems) {
        if (!pausePoint()) return hits;
        const std::string subId = sub->subCategoryId.value_or("");
        ScanStageType stage = scanStage;
        if (scanStage == ScanStageType::scanStageApp && !kScannedAppGroups.contains(subId))
            continue;
        if (scanStage == ScanStageType::scanStageSystemCaches && subId == kDeveloperGroup)
            stage = ScanStageType::scanStageXcodeCaches;
        if (scanStage == ScanStageType::scanStageInternetJunks)
            ORVANE_LOG("扫描网络垃圾子类别：" + sub->title.value_or(""));

        for (const auto& action : sub->actionItems) {
            if (!pausePoint()) return hits;
            const auto found = filterParser->enumerateFilePath(action);
            if (isCancelled() || !isRunning) {
                pausePoint();
                return hits;
            }
            for (const auto& hit : found) {
                if (!pausePoint()) return hits;
                auto item = createCleanItem(hit);
                if (!item) continue;
                switch (stage) {
                    case ScanStageType::scanStageSystemCaches:
                    case ScanStageType::scanStageSystemLogs: {
                        const std::string title =
                            sub->title ? *sub->title : action->title.value_or("");
                        if (auto type = systemJunkTypeNamed(title)) item->systemJunkType = type;
                        item->isSelected = sub->recommend;
                        item->groupName = title;
                        if (auto* system = dynamic_cast<CleanSystemJunkItem*>(item.get());
                            system && system->languageIdentifier) {
                            item->systemJunkType = SystemJunkType::languageFiles;
                            item->groupName =
                                system->languageDisplayName.value_or("Unknown Language");
                        }
                        break;
                    }
                    case ScanStageType::scanStageXcodeCaches:
                        item->itemType = CleanModelItemType::xcodeFile;
                        item->systemJunkType = SystemJunkType::xcodeJunk;
                        item->xcodeJunkType = xcodeJunkTypeNamed(action->title.value_or(""));
                        item->isSelected = action->recommend;
                        item->groupName = action->title.value_or(sub->title.value_or("Other"));
                        break;
                    case ScanStageType::scanStageInternetJunks:
                        item->netJunkType = internetJunkTypeNamed(sub->title.value_or(""));
                        item->isSelected = sub->recommend;
                        item->groupName = sub->title.value_or("");
                        break;
                    default:
                        item->groupName =
                            !item->appName.empty() ? item->appName : sub->title.value_or("");
                        break;
                }
                if (item->groupName.empty()) item->groupName = sub->title.value_or("Other");
                item->recommended = item->isSelected;
                if (addItem(item, stage)) ++hits;
            }
        }
    }
    return hits;
}

void ScanOperation::scanSystemJunkLegacy() {
    auto* system = dynamic_cast<CleanSystemJunkModel*>(model.get());
    if (!system) return;
    auto scanFolders = [&](const std::vector<std::string>& folders, ScanStageType stage,
                           SystemJunkType type) {
        for (const std::string& folder : folders) {
            if (!pausePoint()) return false;
            auto names = files::listDirectory(folder);
            if (!names) continue;
            std::sort(names->begin(), names->end());
            for (const std::string& name : *names) {
                const std::string path = kit::joinPath(folder, name);
                if (!files::statEntry(path)) continue;
                auto item = std::make_shared<CleanSystemJunkItem>(path);
                item->isSelected = true;
                item->recommended = true;
                item->systemJunkType = type;
                item->groupName = std::string(displayName(type));
                addItem(item, stage);
            }
        }
        return true;
    };
    if (scanFolders(system->garbageFolderList, ScanStageType::scanStageSystemCaches,
                    SystemJunkType::systemCache))
        scanFolders(system->logFolderList, ScanStageType::scanStageSystemLogs,
                    SystemJunkType::systemLogs);
}

void ScanOperation::scanLoginArtifacts() {
    if (isCancelled() || !isRunning) return;
    if (prefererence->unusedLoginArtifacts.empty()) {
        UnusedArtifactDetector detector(*prefererence->environment());
        prefererence->unusedLoginArtifacts =
            detector.collectUnusedLoginItemArtifacts(installedBundleIds);
    }
    for (const auto& artifact : prefererence->unusedLoginArtifacts) {
        if (!pausePoint()) return;
        if (model->containsPath(artifact.path)) continue;
        auto item = std::make_shared<CleanSystemJunkItem>(artifact.path);
        item->isSelected = true;
        item->recommended = true;
        item->systemJunkType = artifact.type;
        item->bundleIdentifier = artifact.bundleIdentifier;
        item->appName = artifact.displayName;
        item->itemType = CleanModelItemType::loginItem;
        item->groupName = std::string(displayName(SystemJunkType::noUseLoginItems));
        addItem(item, ScanStageType::scanStageSystemCaches);
    }
}

void ScanOperation::scanAppJunk() {
    if (auto category = prefererence->category("2"))
        scanWithXMLRules(category, ScanStageType::scanStageApp);
    if (!pausePoint()) return;
    auto addHits = [&](const std::vector<ResultItemPtr>& hits, int junkType) {
        for (const auto& hit : hits) {
            if (!pausePoint()) return false;
            // Without an application to name it, a cache cannot be shown to anyone meaningfully.
            if (!hit->appName || hit->appName->empty()) continue;
            auto item = std::make_shared<CleanAppCacheItem>(hit->path);
            item->basePath = hit->basePath;
            item->appJunkType = junkType;
            item->bundleIdentifier = hit->bundleId.value_or("");
            item->appName = *hit->appName;
            item->cleanType = hit->cleanType;
            item->setKnownSize(hit->fileSize);
            item->isSelected = true;
            item->recommended = true;
            item->isAppRelated = true;
            item->itemType =
                junkType == 1 ? CleanModelItemType::logFile : CleanModelItemType::cacheFile;
            item->groupName = item->appName;
            addItem(item, ScanStageType::scanStageApp);
        }
        return true;
    };
    if (!addHits(prefererence->getThirdPartyAppCaches(), 0)) return;
    if (!pausePoint()) return;
    addHits(prefererence->getThirdPartyAppLogs(), 1);
}

void ScanOperation::scanTrashJunk() {
    auto* trash = dynamic_cast<CleanTrashModel*>(model.get());
    if (!trash) return;
    for (const std::string& folder : trash->trashFolderList) {
        if (!pausePoint()) return;
        auto names = files::listDirectory(folder);
        if (!names) continue;
        std::sort(names->begin(), names->end());
        for (const std::string& name : *names) {
            if (!pausePoint()) return;
            auto item = std::make_shared<CleanTrashItem>(kit::joinPath(folder, name));
            item->isSelected = true;
            item->recommended = true;
            item->groupName = "Trash";
            addItem(item, ScanStageType::scanStagetrash);
        }
    }
}

void ScanOperation::scanPackageJunk() {
    auto* packages = dynamic_cast<CleanPackageModel*>(model.get());
    if (!packages) return;
    const auto& extensions = prefererence->environment()->layout.installerPackageExtensions;
    for (const std::string& folder : packages->packageFolderList) {
        if (!pausePoint()) return;
        auto names = files::listDirectory(folder);
        if (!names) continue;
        std::sort(names->begin(), names->end());
        for (const std::string& name : *names) {
            if (!pausePoint()) return;
            const std::string ext = lowercased(kit::pathExtension(name));
            if (ext.empty() ||
                std::find(extensions.begin(), extensions.end(), ext) == extensions.end()) {
                ORVANE_LOG("非安装包格式: ." + ext);
                continue;
            }
            auto item = std::make_shared<CleanPackageItem>(kit::joinPath(folder, name));
            // A download may be the only copy the user has: offered, never preselected.
            item->isSelected = false;
            item->groupName = "Unused Installation Packages";
            addItem(item, ScanStageType::scanStagePackage);
        }
    }
}

}  // namespace orvane::junk
