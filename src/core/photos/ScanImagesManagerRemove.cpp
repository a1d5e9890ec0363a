// The removal run of the photo driver: every image goes through the shared remover, which
// checks right before acting that the file is still the one the scan reported.

#include <sys/stat.h>

#include <chrono>

#include "core/analytics/Analytics.h"
#include "core/files/FileRemover.h"
#include "core/files/RemovalGuard.h"
#include "core/photos/PhotoSelection.h"
#include "core/photos/ScanImagesManager.h"
#include "kit/DispatchQueue.h"
#include "kit/Localization.h"
#include "kit/Log.h"
#include "platform/Trash.h"

namespace orvane::photos {

namespace {

double now() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

files::ScannedIdentity identityOf(const ScanImagesItem& item) {
    files::ScannedIdentity id;
    id.device = item.identity->device;
    id.inode = item.identity->inode;
    id.size = item.identity->size;
    id.isDirectory = false;
    return id;
}

}  // namespace

void ScanImagesManager::setRemoveType(RemoveType type, const std::string& folder) {
    removeType_ = type;
    removePath_ = type == moveToFolder ? folder
                  : type == toTrash    ? env_.layout.trash
                                       : std::string();
}

std::int64_t ScanImagesManager::getRemoveImageTotalCount() const {
    std::lock_guard lock(mutex_);
    return selectedCount(imagesArray_);
}

std::int64_t ScanImagesManager::getRemoveImageTotalSize() const {
    std::lock_guard lock(mutex_);
    return selectedSize(imagesArray_);
}

std::string ScanImagesManager::setRemoveDestPath(const std::string& folder,
                                                 const std::string& imageName) {
    return files::FileRemover::renamePath(folder, folder + "/" + imageName,
                                          std::chrono::system_clock::now());
}

void ScanImagesManager::removeDuplicatesImages(ScanImagesGroups groups) {
    {
        std::lock_guard lock(mutex_);
        if (!removeQueue_) removeQueue_ = std::make_unique<kit::DispatchQueue>("photoRemoveQueue");
    }
    // The start is announced before the run is queued, so the screen shows it at once.
    removeImagesTotalCount_ = selectedCount(groups);
    isStopRemove_ = false;
    auto delegate = [&] {
        std::lock_guard lock(mutex_);
        return removeDelegate_.lock();
    }();
    if (delegate) {
        scanState_ = 5;
        delegate->removeManagerDidStart(*this);
    }
    removeQueue_->async([this, groups = std::move(groups)]() mutable {
        removeDuplicatesImagesNow(std::move(groups));
    });
}

void ScanImagesManager::waitForRemoval() {
    if (removeQueue_) removeQueue_->drain();
}

void ScanImagesManager::removeDuplicatesImagesNow(ScanImagesGroups groups) {
    removeImagesTotalCount_ = selectedCount(groups);
    auto delegate = [&] {
        std::lock_guard lock(mutex_);
        return removeDelegate_.lock();
    }();
    const files::FileRemover remover(trash_.get());
    const std::string missing = kit::localized("file path does not exist.");
    const long long total = std::max<long long>(removeImagesTotalCount_, 1);
    long long removed = 0;
    dupStartTime_ = now();

    ScanImagesGroups kept;
    bool stopped = false;
    std::size_t handled = 0;
    for (; handled < groups.size() && !stopped; ++handled) {
        auto& group = *groups[handled];
        const auto items = group.dupImageItems;  // the group's list changes as images go
        for (const auto& item : items) {
            scanState_ = 6;
            if (isStopRemove_) {
                stopped = true;
                break;
            }
            if (!item->isSelect) continue;
            const auto fail = [&](const std::string& why) {
                item->removeError = why;
                item->isRemoveFailed = true;
                item->isSelect = false;
                ORVANE_LOG("photo removal failed: " + item->imagePath + ": " + why);
                analytics::KelAsyncGALog(analytics::afterDeleterGroup, analytics::action::fail,
                                         why);
            };
            if (!exists(item->imagePath)) {
                fail(missing);
                continue;
            }
            // A group is never emptied: some picture of it that stays must still be there.
            const bool keeperLeft = std::any_of(
                group.dupImageItems.begin(), group.dupImageItems.end(),
                [&](const ScanImagesItemPtr& other) {
                    return other != item && !other->isSelect && exists(other->imagePath);
                });
            if (!keeperLeft) {
                fail(kit::localized("Kept: it is the last picture of its group."));
                continue;
            }
            files::RemovalResult result;
            // Right before acting: reached without following a link, and still the very file
            // the scan reported (device, inode, size, modification and change time).
            const auto guard = item->identity && item->identity->isRegular()
                                   ? files::RemovalGuard::verify(item->imagePath, *item->identity)
                                   : files::GuardResult{};
            if (!item->identity || !item->identity->isRegular()) {
                result.error =
                    kit::localized("The item is no longer the picture that was scanned.");
            } else if (!guard) {
                result.error =
                    guard.reason.empty()
                        ? files::RemovalGuard::describe(guard.refusal, item->imagePath, guard.error)
                        : guard.reason;
            } else if (removeType_ == deleteForever) {
                result = remover.deleteForever(item->imagePath, identityOf(*item));
            } else if (removeType_ == moveToFolder) {
                result = remover.moveToFolder(item->imagePath, identityOf(*item), removePath_);
            } else {
                result = remover.moveToTrash(item->imagePath, identityOf(*item));
            }
            if (!result.ok) {
                fail(result.error.empty() ? kit::localized("The picture could not be removed.")
                                          : result.error);
                continue;
            }
            item->isRemoveFailed = false;
            item->isSelect = false;
            ++removeImagesSuccessCount_;
            removeImagesSuccessSize_ += item->imageSize;
            {
                std::lock_guard lock(mutex_);
                std::erase(group.dupImageItems, item);
                group.groupSize -= item->imageSize;
                group.groupCount = static_cast<int>(group.dupImageItems.size());
            }
            ++removed;
            if (delegate) delegate->progressDidChange(*this, double(removed) / double(total));
        }
        // Reshape: a group of one picture is no longer a group.
        if (group.dupImageItems.size() > 1) {
            std::lock_guard lock(mutex_);
            group.isSelect = false;
            for (auto& item : group.dupImageItems) item->isSelect = false;
            kept.push_back(groups[handled]);
        }
    }
    // Groups not reached keep their shape and their marks.
    for (; handled < groups.size(); ++handled) kept.push_back(groups[handled]);

    dupEndTime_ = now();
    {
        std::lock_guard lock(mutex_);
        imagesArray_ = std::move(kept);
        sortAndRenameLocked();
    }
    if (stopped) {
        scanState_ = 7;
        if (delegate) delegate->removeManagerDidStop(*this);
        return;
    }
    scanState_ = 8;
    const std::string tally = std::to_string(removeImagesSuccessCount_) + "_" +
                              std::to_string(removeImagesTotalCount_) + "_Image";
    ORVANE_LOG(tally);
    analytics::KelAsyncGALog(analytics::afterDeleterGroup, analytics::action::successRemove, tally);
    if (delegate) delegate->removeMangerDidFinish(*this);
}

}  // namespace orvane::photos
