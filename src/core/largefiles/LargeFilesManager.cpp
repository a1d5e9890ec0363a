#include "core/largefiles/LargeFilesManager.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "core/files/ExclusionSet.h"
#include "core/files/RemoveOperation.h"
#include "core/files/ScanRules.h"
#include "core/files/TreeWalker.h"
#include "core/largefiles/RootList.h"
#include "core/settings/PerferenceInfo.h"
#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/MainQueue.h"
#include "kit/Paths.h"
#include "kit/SizeFormat.h"
#include "platform/Layout.h"
#include "platform/Trash.h"
#include "platform/Volume.h"

namespace orvane::largefiles {

using files::DuplicateFiles;
using files::EntryType;
using files::ResourceValues;
using files::ResourceValueURL;
using files::TreeWalker;
using files::WalkAction;
using files::WalkEntry;

namespace {

double systemNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

constexpr double kProgressInterval = 1.0 / 60.0;

// The duplicate finder's ignore test, read against the settings a large-file scan should obey:
// the large-file white list and the general hidden-file switch. The duplicate tab's kinds, the
// size bounds and the zero-byte switch describe which copies to compare; a person looking for
// big files still expects to see their big videos, so those are neutral here.
std::shared_ptr<const settings::PerferenceInfo> largeFileRules(
    const settings::PerferenceInfo& prefs) {
    auto rules = std::make_shared<settings::PerferenceInfo>(prefs);
    rules->omitVideo = rules->omitAudio = rules->omitPicture = rules->omitDocument =
        rules->omitOther = true;
    rules->enableMaxSize = rules->enableMinSize = false;
    rules->omitZeroByte = false;
    rules->whiteListPath = prefs.largeFileWhiteListPath;
    return rules;
}

}  // namespace

LargeFilesManager& LargeFilesManager::shared() {
    static LargeFilesManager manager;
    return manager;
}

LargeFilesManager::LargeFilesManager()
    : removeQueue("com.orvane.largefiles.remove", 1),
      clock(systemNow),
      preferenceLoader([] { return std::make_shared<const settings::PerferenceInfo>(); }),
      trashFactory([] { return platform::makeTrash(platform::Layout::current()); }),
      freeSpaceReader(files::systemFreeSpaceReader()) {
    resetGroups();
}

LargeFilesManager::~LargeFilesManager() { stopAndWait(); }

void LargeFilesManager::startScanning() {
    waitUntilScanFinished();
    // Cleared here rather than on the scan thread, so a stop pressed at once is never undone by
    // a late start.
    stopScanLargeFileFig.store(false);
    scanThread_ = std::thread([this] { runScan(); });
}

void LargeFilesManager::waitUntilScanFinished() {
    if (scanThread_.joinable()) scanThread_.join();
}

void LargeFilesManager::stopAndWait() {
    stopScan();
    removeStop.store(true);
    waitUntilScanFinished();
    removeQueue.setSuspended(false);
    waitUntilRemovalFinished();
}

files::ScanTotals LargeFilesManager::scanTotals() const {
    std::lock_guard lock(fileMutex_);
    files::ScanTotals totals;
    if (allFiles.size() <= otherGroup) return totals;
    totals.count = static_cast<std::int64_t>(allFiles[allLargeFiles]->count());
    totals.size = allFiles[allLargeFiles]->totalSize;
    const auto kind = [&totals](files::FileType type) -> std::uint64_t& {
        return totals.sizeByKind[static_cast<std::size_t>(type)];
    };
    kind(files::FileType::document) = allFiles[documentGroup]->totalSize;
    kind(files::FileType::picture) = allFiles[pictureGroup]->totalSize;
    kind(files::FileType::audio) = allFiles[audioGroup]->totalSize;
    kind(files::FileType::video) = allFiles[videoGroup]->totalSize;
    kind(files::FileType::other) = allFiles[otherGroup]->totalSize;
    return totals;
}

files::SkippedEntries LargeFilesManager::skippedEntries() const {
    std::lock_guard lock(fileMutex_);
    return skipped_;
}

namespace {

// The identity a file's bytes are counted under; nothing for a link, whose bytes are not its own.
std::optional<std::pair<std::uint64_t, std::uint64_t>> countedIdentity(
    const files::FileInfo& info) {
    const auto& values = info.resourceValue.resourceValues;
    if (values.isAliasFile().value_or(false)) return std::nullopt;
    if (auto id = values.fileResourceIdentifier()) return *id;
    // Without an identity the file cannot be matched with its other names: count it by path.
    return std::pair<std::uint64_t, std::uint64_t>{~0ull, std::hash<std::string>{}(info.path())};
}

}  // namespace

std::uint64_t LargeFilesManager::diskSize(const files::DuplicateFiles& group) {
    std::set<std::pair<std::uint64_t, std::uint64_t>> counted;
    std::uint64_t bytes = 0;
    for (const auto& info : group.infos()) {
        if (info->deleted) continue;
        const auto id = countedIdentity(*info);
        if (id && counted.insert(*id).second) bytes += info->size();
    }
    return bytes;
}

void LargeFilesManager::waitUntilRemovalFinished() { removeSetupQueue_.drain(); }

void LargeFilesManager::resetGroups() {
    std::lock_guard lock(fileMutex_);
    allFiles.clear();
    for (std::size_t i = 0; i < kLargeFileGroupCount; ++i)
        allFiles.push_back(std::make_shared<DuplicateFiles>());
    filedPaths_.clear();
    countedFiles_.assign(kLargeFileGroupCount, {});
    skipped_ = {};
}

void LargeFilesManager::sortGroups() {
    // The walk finds files in no useful order; biggest first is what people look for, and the
    // path breaks ties so that two runs over the same tree list the same way.
    std::lock_guard lock(fileMutex_);
    for (const auto& group : allFiles)
        std::sort(group->_infos.begin(), group->_infos.end(), [](const auto& a, const auto& b) {
            if (a->size() != b->size()) return a->size() > b->size();
            return a->path() < b->path();
        });
}

std::size_t LargeFilesManager::largeFileCount() const {
    std::lock_guard lock(fileMutex_);
    return allFiles.empty() ? 0 : allFiles[allLargeFiles]->count();
}

void LargeFilesManager::scanLargeFile() {
    stopScanLargeFileFig.store(false);
    runScan();
}

void LargeFilesManager::runScan() {
    scanLargeFileTimeStart = clock();
    if (auto observer = delegate.lock()) observer->startScan();
    resetGroups();
    scanSetupObj = preferenceLoader ? preferenceLoader() : nullptr;
    const std::size_t found = filterSameSize(folderList);
    sortGroups();
    reportProgress({}, true);
    ORVANE_LOG("large-file scan finished: " + std::to_string(found) + " files, " +
               std::to_string(clock() - scanLargeFileTimeStart) + " s" +
               (stopScanLargeFileFig.load() ? " (stopped)" : ""));
    if (auto observer = delegate.lock()) observer->scanFinished();
}

std::vector<std::string> LargeFilesManager::scanRoots(const std::vector<std::string>& roots) const {
    return deleteSonPath(files::ScanRules().cleanRoots(roots));
}

bool LargeFilesManager::isInsideFramework(std::string_view path) {
    return files::ScanRules::isInsideFramework(path);
}

bool LargeFilesManager::whitePathIgnore(std::string_view path) const {
    if (!scanSetupObj) return false;
    const std::string_view target = kit::withoutTrailingSlashes(path);
    for (const auto& entry : scanSetupObj->largeFileWhiteListPath) {
        const std::string_view listed = kit::withoutTrailingSlashes(entry);
        if (listed.empty()) continue;
        if (target == listed) return true;
        // Below an entry counts only while the entry is still there: a white-listed folder the
        // user has since deleted protects nothing that was later created in its place.
        const bool below = listed == "/" ? target.size() > 1
                                         : target.size() > listed.size() &&
                                               target.substr(0, listed.size()) == listed &&
                                               target[listed.size()] == '/';
        if (below && ::access(std::string(listed).c_str(), F_OK) == 0 &&
            ::access(std::string(target).c_str(), F_OK) == 0)
            return true;
    }
    return false;
}

std::uint32_t LargeFilesManager::volumeIndexFor(std::uint64_t device, const std::string& path) {
    // Called under fileMutex_; hits are few, so one mount-table read per device is cheap.
    if (auto it = volumes_.find(device); it != volumes_.end()) return it->second;
    const auto volume = platform::volumeOf(path);
    const std::uint32_t index = files::VolumeRegistry::intern(
        volume ? volume->mountPoint : std::string("/"), volume ? volume->isLocal : true);
    volumes_.emplace(device, index);
    return index;
}

std::size_t LargeFilesManager::filterSameSize(const std::vector<std::string>& roots) {
    // The shared ignore test, read against the large-file view of the settings.
    const files::ScanRules rules({}, scanSetupObj ? largeFileRules(*scanSetupObj) : nullptr);
    const files::ExclusionSet excluded(scanSetupObj ? scanSetupObj->largeFileWhiteListPath
                                                    : std::vector<std::string>{});
    auto kept = deleteSonPath(rules.cleanRoots(roots));
    std::erase_if(kept,
                  [&](const std::string& root) { return excluded.excludesPathOrAncestor(root); });
    // Folders are stat'ed only when some exclusion needs their identity.
    TreeWalker walker(TreeWalker::Options{0, !excluded.empty()});

    const auto visit = [&](const WalkEntry& entry) -> WalkAction {
        if (stopScanLargeFileFig.load(std::memory_order_relaxed))
            return WalkAction::skipDescendants;
        reportProgress(entry.path, false);
        if (entry.name.ends_with(".framework")) return WalkAction::skipDescendants;
        if (entry.type == EntryType::directory) {
            // Hidden folders hold program state, not the user's files; white-listed ones are
            // the user's own wish.
            if (entry.hidden || whitePathIgnore(entry.path)) return WalkAction::skipDescendants;
            if (entry.statOk && excluded.excludes(entry.device, entry.inode))
                return WalkAction::skipDescendants;
            return WalkAction::proceed;
        }
        if (!entry.statOk) return WalkAction::proceed;  // vanished under us
        if (excluded.excludes(entry.device, entry.inode)) return WalkAction::proceed;
        // A regular file's own size is what stat would say; only links need a second look.
        if (entry.type == EntryType::file) {
            if (entry.size < kLargeFileThreshold) return WalkAction::proceed;
        } else if (entry.type != EntryType::symlink) {
            return WalkAction::proceed;  // devices, pipes, sockets
        }
        if (files::ScanRules::ignoresExtension(kit::pathExtension(entry.name)))
            return WalkAction::proceed;
        if (!TreeWalker::isReadable(entry)) {
            // Only a file big enough to list is worth a word; a small one would not be shown.
            if (entry.type == EntryType::file) {
                std::lock_guard lock(fileMutex_);
                ++skipped_.unreadableFiles;
            }
            return WalkAction::proceed;
        }

        const bool isLink = entry.type == EntryType::symlink;
        ResourceValueURL item{std::string(entry.path), {}};
        auto& values = item.resourceValues;
        values.setFlag(ResourceValues::isDirectoryKey, false);
        values.setFlag(ResourceValues::isApplicationKey, false);
        values.setFlag(ResourceValues::isAliasFileKey, isLink);
        values.setFlag(ResourceValues::isReadableKey, true);
        values.setFlag(ResourceValues::isWritableKey, TreeWalker::isWritable(entry));
        values.setFlag(ResourceValues::isHiddenKey, entry.hidden);
        values.setTotalFileSize(entry.size);
        values.setFileIdentifier(entry.device, entry.inode);
        values.setTimes(entry.mtimeNs, entry.ctimeNs);
        // A link is weighed as nothing by the ignore test; the listing threshold below still
        // uses the target's size.
        const std::uint64_t ignoreSize = isLink ? 0 : entry.size;
        if (rules.ignoreFile(item.url, static_cast<std::int64_t>(ignoreSize), values))
            return WalkAction::proceed;

        const auto data = FileHelper::fileTimeData(item.url);
        if (!data || !data->isRegularFile || data->size < kLargeFileThreshold)
            return WalkAction::proceed;
        {
            std::lock_guard lock(fileMutex_);
            values.setVolume(volumeIndexFor(entry.device, item.url));
        }
        addInArry(*data, std::move(item));
        return WalkAction::proceed;
    };

    for (const auto& root : kept) {
        if (stopScanLargeFileFig.load()) break;
        if (whitePathIgnore(root) || isInsideFramework(root)) continue;
        walker.walk({root}, visit, &stopScanLargeFileFig);
    }
    {
        std::lock_guard lock(fileMutex_);
        skipped_.unreadableFolders += walker.unreadableDirectories();
        skipped_.tooLongPaths += walker.tooLongPaths();
    }
    return largeFileCount();
}

void LargeFilesManager::addInArry(const FileTimeData& fileTimeData,
                                  ResourceValueURL resourceValuesURL) {
    const double now = clock();
    std::string path = resourceValuesURL.url;
    {
        std::lock_guard lock(fileMutex_);
        if (!filedPaths_.insert(path).second) return;
        auto info = std::make_shared<FileTimeInfo>(std::move(resourceValuesURL), fileTimeData);
        std::size_t kindGroup = otherGroup;
        switch (info->fileType()) {
            case files::FileType::document: kindGroup = documentGroup; break;
            case files::FileType::picture: kindGroup = pictureGroup; break;
            case files::FileType::audio: kindGroup = audioGroup; break;
            case files::FileType::video: kindGroup = videoGroup; break;
            case files::FileType::other: kindGroup = otherGroup; break;
        }
        const auto id = countedIdentity(*info);
        for (const std::size_t index :
             {kindGroup, static_cast<std::size_t>(sizeGroupIndex(fileTimeData.size)),
              static_cast<std::size_t>(ageGroupIndex(now, fileTimeData.timeMtimespec)),
              static_cast<std::size_t>(allLargeFiles)}) {
            DuplicateFiles& group = *allFiles[index];
            group._infos.push_back(info);
            if (id && countedFiles_[index].insert(*id).second) group.totalSize += info->size();
        }
    }
    reportProgress(path, false);
}

void LargeFilesManager::reportProgress(std::string_view path, bool force) {
    // Every walker thread passes here for every entry: keep the common case to one clock read
    // and one atomic load.
    const double now = systemNow();
    double last = lastFlushProgress.load(std::memory_order_relaxed);
    if (!force) {
        if (now - last <= kProgressInterval) return;
        if (!lastFlushProgress.compare_exchange_strong(last, now)) return;
    } else {
        lastFlushProgress.store(now);
    }
    auto observer = delegate;
    if (observer.expired()) return;
    const auto count = static_cast<std::int64_t>(largeFileCount());
    kit::MainQueue::post([observer, shown = std::string(path), count] {
        if (auto strong = observer.lock()) {
            if (!shown.empty()) strong->scaningPath(shown);
            strong->scanFound(count);
        }
    });
}

}  // namespace orvane::largefiles

namespace orvane::largefiles {

std::vector<std::shared_ptr<files::FileInfo>> LargeFilesManager::selectedFiles() const {
    std::lock_guard lock(fileMutex_);
    std::vector<std::shared_ptr<files::FileInfo>> out;
    std::unordered_set<const files::FileInfo*> seen;
    // Every record is in the all-files group, but walk all groups so that nothing selected
    // through another list can be missed.
    for (const auto& group : allFiles)
        for (const auto& info : group->infos())
            if (info->selected && !info->deleted && seen.insert(info.get()).second)
                out.push_back(info);
    return out;
}

void LargeFilesManager::pruneRemovedFiles() {
    std::lock_guard lock(fileMutex_);
    for (const auto& group : allFiles) {
        auto& infos = group->_infos;
        std::erase_if(infos, [](const auto& info) { return info->deleted; });
        // Counted afresh: a removed name of a file that keeps another name freed nothing.
        group->totalSize = diskSize(*group);
        std::uint64_t selected = 0;
        for (const auto& info : infos)
            if (info->selected) selected += info->size();
        group->uiSelectedSize = selected;
    }
}

void LargeFilesManager::removeDuplicateFiles(files::RemoveType type) {
    removeStop.store(false);
    removesucceedCount.store(0);
    removesucceedSize.store(0);
    errorRemoveCount.store(0);
    lastRemoveType = type;
    removeQueue.setSuspended(false);
    // The run waits on removeQueue (which a question may suspend), so it cannot run there.
    removeSetupQueue_.async([this, type] { runRemoval(type); });
}

void LargeFilesManager::refuseRemoval(const std::string& message) {
    ORVANE_LOG("large-file removal refused: " + message);
    auto refused = removeRefused;
    kit::MainQueue::post([refused, message] {
        if (refused) refused(message);
    });
}

void LargeFilesManager::runRemoval(files::RemoveType type) {
    using Kind = files::RemoveType::Kind;
    startTime = clock();
    if (scanSetupObj && scanSetupObj->unreadable) {
        refuseRemoval(scanSetupObj->removalRefusal());
        return;
    }
    if (type.kind == Kind::folder) {
        if (type.path.empty() || !kit::isFolder(type.path)) {
            refuseRemoval(
                kit::localized("The folder does not exist. Please choose another one. It "
                               "may be moved, renamed or deleted."));
            return;
        }
    }

    const auto files = selectedFiles();
    {
        std::lock_guard lock(fileMutex_);
        selectedRemoveFiles.clear();
        for (const auto& group : allFiles)
            if (std::any_of(group->infos().begin(), group->infos().end(),
                            [](const auto& info) { return info->selected && !info->deleted; }))
                selectedRemoveFiles.push_back(group);
    }

    std::unique_ptr<platform::Trash> trash;
    if (type.kind == Kind::trash && trashFactory) trash = trashFactory();
    files::FileRemover remover(trash.get(), freeSpaceReader);

    if (type.kind == Kind::folder) {
        // Files already on the destination's file system are renamed, not copied: only the
        // others need room there.
        std::uint64_t needed = 0;
        for (const auto& info : files)
            if (files::FileRemover::needsCopy(info->path(), type.path)) needed += info->size();
        const std::uint64_t free = remover.freeSpace(type.path).value_or(0);
        ORVANE_LOG("system free size = " + std::to_string(free) +
                   ", selected file size = " + std::to_string(needed));
        if (free < needed) {
            const auto volume = platform::volumeOf(type.path);
            const std::string name = volume ? volume->name : kit::displayPath(type.path);
            refuseRemoval(kit::formatLocalized(
                "There is insufficient space on disk %@. Please choose to permanently delete these "
                "files or you can free up %@ space on disk %@ before removing duplicate files.",
                {name, kit::transformedFileSize(needed - free), name}));
            return;
        }
    }

    // Links are listed for what they point at, but removing one frees nothing and the file it
    // names may be something the user never meant to touch: neither is removed.
    auto work = std::make_shared<DuplicateFiles>();
    std::vector<std::shared_ptr<files::FileInfo>> links;
    for (const auto& info : files) {
        if (info->resourceValue.resourceValues.isAliasFile().value_or(false)) links.push_back(info);
        else work->_infos.push_back(info);
    }

    if (auto observer = delegate.lock()) observer->startRemove();
    const double total = files.empty() ? 1.0 : static_cast<double>(files.size());
    std::atomic<std::int64_t> handled{0};
    const auto report = [this, &handled, total] {
        const auto done = handled.fetch_add(1) + 1;
        if (auto observer = delegate.lock())
            observer->cleanProgress(static_cast<double>(done) / total, done);
    };
    for (const auto& link : links) {
        link->removeError = files::RemoveError{
            files::kRemoveErrorChanged,
            kit::localized("This is a link to a file elsewhere; removing it would free no space.")};
        errorRemoveCount.fetch_add(1);
        report();
    }

    std::atomic<bool> freeSizeNotEnought{false}, forceRemove{false};
    auto context = std::make_shared<files::RemoveRunContext>();
    context->remover = &remover;
    context->type = type;
    context->folder = type.kind == Kind::folder ? type.path : std::string();
    context->removeStop = &removeStop;
    context->freeSizeNotEnought = &freeSizeNotEnought;
    context->forceRemove = &forceRemove;
    context->removeQueue = &removeQueue;
    context->askForceRemove = askForceRemove;
    context->membersAreCopies = false;
    context->onFailure = [this, &report](const files::FileInfo&) {
        errorRemoveCount.fetch_add(1);
        report();
    };
    auto operation = std::make_shared<files::RemoveOperation>(work, context);
    operation->removeBlock = [this, &report](const std::shared_ptr<files::FileInfo>& info,
                                             files::FileType, const files::RemovalResult& result) {
        info->selected = false;
        removesucceedCount.fetch_add(1);
        // A name of a file that keeps another one gave back nothing.
        if (!result.otherNamesRemain) removesucceedSize.fetch_add(info->size());
        report();
    };
    if (!work->infos().empty()) {
        removeQueue.addOperation(operation);
        removeQueue.waitUntilAllOperationsAreFinished();
    }
    for (const auto& info : files) {
        // Said plainly: the file itself is gone, whatever the group operation calls it.
        if (info->removeError && info->removeError->code == files::kRemoveErrorMissing)
            info->removeError->description = kit::localized("file path does not exist.");
    }
    if (removeStop.load()) {
        if (auto observer = delegate.lock()) observer->stopRemove();
    }

    endTime = clock();
    ORVANE_LOG("RemoveEnd: " + std::to_string(*endTime - *startTime) + " s, " +
               std::to_string(removesucceedSize.load()) + " bytes");
    auto observer = delegate;
    kit::MainQueue::post([this, observer] {
        pruneRemovedFiles();
        if (auto strong = observer.lock()) strong->removeFinished();
    });
}

}  // namespace orvane::largefiles
