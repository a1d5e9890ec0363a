#include "core/files/RemoveOperation.h"

#include <sys/stat.h>

#include <algorithm>

#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/OperationQueue.h"
#include "platform/Volume.h"

namespace orvane::files {

RemoveOperation::RemoveOperation(DuplicateFilesPtr group,
                                 std::shared_ptr<const RemoveRunContext> context)
    : files(std::move(group)), folder(context->folder), context_(std::move(context)) {}

ScannedIdentity RemoveOperation::identityOf(const FileInfo& file) {
    ScannedIdentity id;
    const ResourceValues& values = file.resourceValue.resourceValues;
    if (auto ident = values.fileResourceIdentifier()) {
        id.device = ident->first;
        id.inode = ident->second;
    }
    if (auto times = values.times()) {
        id.mtimeNs = times->first;
        id.ctimeNs = times->second;
    }
    id.size = file.size();
    id.isDirectory = values.isDirectory().value_or(false);
    return id;
}

bool RemoveOperation::roomFor(const FileInfo& file) {
    const RemoveRunContext& ctx = *context_;
    // Once the question was asked, later items are not checked again: they are moved (and fail
    // on their own if the disk is full) or, after a yes, deleted.
    if (ctx.freeSizeNotEnought->load() || folder.empty()) return true;
    // Moving within one file system needs no room; only copies to another one do.
    if (!FileRemover::needsCopy(file.path(), folder)) return true;
    const auto free = ctx.remover->freeSpace(folder);
    if (!free) return false;
    if (file.size() <= *free) return true;

    ORVANE_LOG("磁盘空间不足：file size = " + std::to_string(file.size()) +
               ", free size = " + std::to_string(*free));
    ctx.freeSizeNotEnought->store(true);
    ctx.removeQueue->setSuspended(true);
    const auto volume = platform::volumeOf(folder);
    if (volume && !volume->name.empty() && ctx.askForceRemove) {
        kit::OperationQueue* queue = ctx.removeQueue;
        std::atomic<bool>* force = ctx.forceRemove;
        ctx.askForceRemove(volume->name, [queue, force](bool yes) {
            if (yes) force->store(true);
            queue->setSuspended(false);
        });
    } else {
        ctx.removeQueue->setSuspended(false);
    }
    return false;
}

RemovalResult RemoveOperation::removeOne(const FileInfo& file, const std::vector<KeptCopy>& kept) {
    const RemoveRunContext& ctx = *context_;
    ScannedIdentity id = identityOf(file);
    if (id.device && id.inode)
        if (auto touched = touchedByUs_.find({*id.device, *id.inode});
            touched != touchedByUs_.end())
            id.ctimeNs = touched->second.ctimeNs;
    if (ctx.type.kind == RemoveType::Kind::forever || ctx.forceRemove->load())
        return ctx.remover->deleteForever(file.path(), id, kept);
    if (ctx.type.kind == RemoveType::Kind::trash)
        return ctx.remover->moveToTrash(file.path(), id, kept);
    // Moving loses nothing: the moved file is the copy, wherever it goes.
    return ctx.remover->moveToFolder(file.path(), id, folder);
}

void RemoveOperation::main() {
    const RemoveRunContext& ctx = *context_;
    if (isCancelled() || ctx.removeStop->load()) return;

    // The copies the user keeps. Each selected copy goes only while one of them still is what
    // the scan saw, is another file, and has the same bytes; the remover checks that right
    // before each removal, since hours may pass between the scan and this moment.
    std::vector<KeptCopy> kept;
    if (ctx.membersAreCopies)
        for (const auto& file : files->infos())
            if (!file->selected && !file->deleted)
                kept.push_back({file->path(), identityOf(*file)});

    for (const std::shared_ptr<FileInfo>& file : files->infos()) {
        if (ctx.removeStop->load()) break;
        struct stat st {};
        if (::lstat(file->path().c_str(), &st) != 0) {
            file->removeError = RemoveError{
                kRemoveErrorMissing,
                kit::localized("The folder does not exist. Please choose another one. It may be "
                               "moved, renamed or deleted.")};
            file->selected = false;
            if (ctx.onFailure) ctx.onFailure(*file);
            continue;
        }
        if (!file->selected) continue;
        const bool moving = ctx.type.kind != RemoveType::Kind::forever && !ctx.forceRemove->load();
        if (moving && !roomFor(*file)) continue;

        const RemovalResult result = removeOne(*file, kept);
        if (!result.ok) {
            file->removeError = RemoveError{result.code, result.error};
            if (ctx.onFailure) ctx.onFailure(*file);
            ORVANE_LOG(file->path() + "，目标路径：" + folder + "，错误描述：" + result.error);
            continue;
        }
        file->deleted = true;
        file->removeError.reset();
        RemovalResult told = result;
        const ScannedIdentity id = identityOf(*file);
        if (result.remainingCtimeNs && id.device && id.inode) {
            Touched& touched = touchedByUs_[{*id.device, *id.inode}];
            touched.ctimeNs = *result.remainingCtimeNs;
            if (moving) {
                // Every name still outside what this run moved keeps the bytes where they were.
                ++touched.namesMoved;
                told.otherNamesRemain = result.linkCount > touched.namesMoved;
            }
        }
        // The group's total holds each file's bytes once, whatever its number of names.
        if (!files->hasOtherNameOf(*file))
            files->totalSize -= std::min(files->totalSize, file->size());
        if (removeBlock) removeBlock(file, file->fileType(), told);
    }

    std::erase_if(files->_infos, [](const std::shared_ptr<FileInfo>& f) { return f->deleted; });
}

}  // namespace orvane::files
