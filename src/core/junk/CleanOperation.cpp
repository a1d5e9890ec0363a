#include "core/junk/CleanOperation.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "core/files/FileRemover.h"
#include "core/junk/AuthoredHelper.h"
#include "core/junk/CleanError.h"
#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/Paths.h"
#include "platform/Trash.h"

namespace orvane::junk {

namespace {

std::string shown(const std::string& path) { return kit::displayPath(path); }

std::string leftInPlace(const std::string& path, std::string_view why) {
    return kit::formatLocalized("“%@” was left in place: %@", {shown(path), kit::localized(why)});
}

std::string trimmed(const std::string& path) {
    return std::string(kit::withoutTrailingSlashes(path));
}

}  // namespace

std::vector<std::string> CleanContext::wellKnownPlaces(const platform::Layout& layout) {
    std::vector<std::string> places{"/",
                                    layout.root,
                                    layout.home,
                                    layout.trash,
                                    layout.desktop,
                                    layout.downloads,
                                    layout.library,
                                    layout.preferences,
                                    layout.applicationSupport,
                                    layout.logs,
                                    layout.caches,
                                    layout.containers,
                                    layout.temporary};
    for (const auto* list : {&layout.systemLogs, &layout.systemCaches, &layout.protectedLocations,
                             &layout.junkCacheFolders, &layout.junkLogFolders,
                             &layout.applicationRoots, &layout.dataDirs})
        places.insert(places.end(), list->begin(), list->end());
    std::vector<std::string> out;
    for (const std::string& p : places)
        if (!p.empty()) out.push_back(trimmed(p));
    return out;
}

CleanOperation::CleanOperation(CleanBaseModelPtr m, std::shared_ptr<CleanPreference> s,
                               std::shared_ptr<const CleanContext> context)
    : model(std::move(m)), setting(std::move(s)), context_(std::move(context)) {}

CleanStageType CleanOperation::stageFor(std::uint32_t junkType) {
    switch (junkType) {
        case 1: return CleanStageType::cleanSystem;
        case 2: return CleanStageType::cleanApp;
        case 8: return CleanStageType::cleanPackage;
        case 4: return CleanStageType::cleanTrash;
        case 16: return CleanStageType::cleanInternet;
        default: return CleanStageType::cleanSystem;
    }
}

void CleanOperation::pause() {
    std::lock_guard guard(pauseLock);
    isPaused = true;
}

void CleanOperation::resume() {
    {
        std::lock_guard guard(pauseLock);
        isPaused = false;
    }
    pauseCondition_.notify_all();
}

void CleanOperation::stop() {
    cancel();
    {
        std::lock_guard guard(pauseLock);
        isRunning = false;
    }
    pauseCondition_.notify_all();
}

void CleanOperation::main() {
    if (isCancelled()) return;
    {
        std::lock_guard guard(pauseLock);
        isRunning = true;
    }
    const CleanStageType stage = stageFor(model->junkType);
    if (removeStartBlock) removeStartBlock(stage);
    for (const CleanBaseItemPtr& item : model->allItems) {
        if (!item->isSelected) continue;
        {
            std::unique_lock lock(pauseLock);
            while (isPaused && isRunning && !isCancelled()) {
                if (removePuaseBlock) removePuaseBlock();
                pauseCondition_.wait(lock);
                if (removeSuspendBlock) removeSuspendBlock();
            }
        }
        const bool success = removeItem(*item);
        if (success) ++model->suceesCount;
        else ++model->errorCount;
        if (removeInfoBlock) removeInfoBlock(item, item->size(), success, stage);
        bool running = false;
        {
            std::lock_guard guard(pauseLock);
            running = isRunning;
        }
        if (isCancelled() || !running) break;
    }
    if (removeFinishBlock) removeFinishBlock(stage);
}

bool CleanOperation::fail(CleanBaseItem& item, int code, std::string description) const {
    item.removeError = orvane::files::RemoveError{code, std::move(description)};
    item.cleanOutcome = CleanBaseItem::CleanOutcome::failed;
    return false;
}

bool CleanOperation::removeItem(CleanBaseItem& item) const {
    const std::string& path = item.url;
    item.removeError.reset();
    item.freedBytes = 0;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) {
        ORVANE_LOG("文件不存在，跳过删除: " + path);
        item.cleanOutcome = CleanBaseItem::CleanOutcome::alreadyGone;
        return true;
    }

    // Where it may be: inside the folder its rule searched, and never one of the places whose
    // removal as a whole no rule can mean.
    const std::string normalized = trimmed(path);
    if (item.basePath.empty() || normalized.empty() || normalized.front() != '/' ||
        !platform::isPathInside(normalized, trimmed(item.basePath)) ||
        normalized.find("/../") != std::string::npos || normalized.ends_with("/.."))
        return fail(item, kCleanErrorChanged,
                    leftInPlace(path, "it is not inside the folder its rule searched."));
    for (const std::string& place : context_->neverRemoved)
        if (normalized == place)
            return fail(item, kCleanErrorChanged,
                        leftInPlace(path, "it is a folder that is never removed as a whole."));
    if (!item.scannedKnown)
        return fail(item, kCleanErrorChanged,
                    leftInPlace(path, "it could not be read in the scan."));

    // Still what the scan found: a file with the same identity, size and times, or the very
    // folder the rule named (whose contents the rule calls disposable, whatever they are now).
    orvane::files::ScannedIdentity scanned;
    scanned.device = item.scanned.device;
    scanned.inode = item.scanned.inode;
    scanned.isDirectory = item.scanned.isFolder();
    if (!item.scanned.isFolder()) {
        scanned.size = item.scanned.size;
        scanned.mtimeNs = item.scanned.mtimeSec * 1'000'000'000LL + item.scanned.mtimeNsec;
        scanned.ctimeNs = item.scanned.ctimeSec * 1'000'000'000LL + item.scanned.ctimeNsec;
    }
    const orvane::files::RemovalResult result = context_->remover->deleteForever(path, scanned);
    if (result.ok) {
        ORVANE_LOG("普通权限删除成功: " + path);
        // An item taken straight out of a Trash leaves no restore record behind it.
        const std::string base = trimmed(item.basePath);
        if (base.ends_with("/files") && kit::parentPath(normalized) == base)
            platform::forgetTrashRecord(base, normalized.substr(base.size() + 1));
        item.freedBytes = result.freedBytes;
        item.cleanOutcome = CleanBaseItem::CleanOutcome::removed;
        return true;
    }
    // Gone meanwhile, by whatever hand: nothing is left to free. (Compared on disk, because the
    // remover's code for a missing item is also EPERM's number.)
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) {
        item.cleanOutcome = CleanBaseItem::CleanOutcome::alreadyGone;
        return true;
    }
    // A safety refusal: the item is not what the scan found, so no rights are tried either.
    if (result.code <= 0) return fail(item, kCleanErrorChanged, result.error);

    ORVANE_LOG("普通权限删除失败: " + path + "，错误: " + result.error);
    if (!context_->layout.isProtected(normalized)) {
        ORVANE_LOG("无删除权限（沙盒限制或ACL）：" + path);
        return fail(item, kCleanErrorNotDeletable, result.error);
    }
    ORVANE_LOG("尝试使用管理员权限删除: " + path);
    AuthoredHelper* helper = context_->authoredHelper;
    if (!helper || (!helper->isAuthorized() && !helper->initializeAuthorization())) {
        ORVANE_LOG("权限初始化失败: " + path);
        const std::string why = helper ? helper->lastMessage() : std::string();
        return fail(item, kCleanErrorNotAuthorized,
                    why.empty() ? kit::localized("Administrator rights were not obtained.") : why);
    }
    if (helper->removeFile(path, item.scanned)) {
        // The helper removes as another user and reports no figure; the scan's size stands in.
        item.freedBytes = static_cast<std::uint64_t>(std::max<std::int64_t>(0, item.size()));
        item.cleanOutcome = CleanBaseItem::CleanOutcome::removed;
        return true;
    }
    const std::string why = helper->lastMessage();
    return fail(item, kCleanErrorAdminFailed,
                why.empty() ? kit::localized("Removal with administrator rights failed.") : why);
}

}  // namespace orvane::junk
