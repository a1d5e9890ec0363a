// The removal half of the duplicate driver: takes the checked groups, refuses up front what
// cannot work (a vanished destination, a disk without room for what must be copied), then feeds
// one RemoveOperation per group, smallest group first, to the serial removeQueue.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>

#include "core/duplicates/ScanManager.h"
#include "core/files/FileRemover.h"
#include "core/files/RemoveOperation.h"
#include "kit/DispatchQueue.h"
#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/SizeFormat.h"
#include "platform/Trash.h"

namespace orvane::duplicates {

namespace {

double now() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

bool pathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void notifyRefused(ScanManager& manager, const std::string& message) {
    ORVANE_LOG(message);
    if (auto o = manager.delegate.lock()) o->removeRefused(message);
}

// Subtracts a removed file from the totals of the lists it was counted in.
void subtractFromTotals(ScanManager& m, std::uint64_t size, FileType kind) {
    auto sub = [size](std::int64_t& count, std::uint64_t& bytes) {
        count -= 1;
        bytes -= std::min(bytes, size);
    };
    sub(m.totalFilesCount, m.totalFilesSize);
    switch (kind) {
        case FileType::video: sub(m.videoFilesCount, m.videoFilesSize); break;
        case FileType::audio: sub(m.audioFilesCount, m.audioFilesSize); break;
        case FileType::picture: sub(m.pictureFilesCount, m.pictureFilesSize); break;
        case FileType::document: sub(m.documentFilesCount, m.documentFilesSize); break;
        case FileType::other: sub(m.otherFilesCount, m.otherFilesSize); break;
    }
    m.publishTotals();
}

struct RunResources {
    std::unique_ptr<platform::Trash> trash;
    std::unique_ptr<FileRemover> remover;
};

void removeBody(const std::shared_ptr<ScanManager>& self, std::vector<DuplicateFilesPtr> groups,
                RemoveType type) {
    ScanManager& m = *self;
    m.startTime = now();
    if (const std::string refusal = m.removalRefusal(); !refusal.empty()) {
        notifyRefused(m, refusal);
        return;
    }
    const ScanManager::Environment& env = m.environment();
    auto volumeOf = [&env](const std::string& path) {
        return env.volumeOf ? env.volumeOf(path) : platform::volumeOf(path);
    };

    // Where items go, for the space checks. The freedesktop Trash keeps each item on its own
    // volume, so nothing is ever copied there; a Trash that is one folder (the macOS layout) is
    // a destination like any other.
    std::string destination;
    if (type.kind == RemoveType::Kind::folder) {
        destination = type.path;
        if (!pathExists(destination)) {
            notifyRefused(m, kit::localized("The folder does not exist. Please choose another one. "
                                            "It may be moved, renamed or deleted."));
            return;
        }
    } else if (type.kind == RemoveType::Kind::trash &&
               env.layout.kind == platform::Layout::Kind::macOS) {
        destination = env.layout.trash;
    }
    const auto destinationVolume =
        destination.empty() ? std::nullopt : volumeOf(FileRemover::existingAncestor(destination));

    std::vector<DuplicateFilesPtr> taken;
    std::uint64_t bytesToCopy = 0;
    std::int64_t filesToRemove = 0;
    for (const DuplicateFilesPtr& g : groups) {
        if (!g || g->selectState == SelectState::off) continue;
        taken.push_back(g);
        for (const auto& f : g->infos()) {
            if (!f->selected) continue;
            ++filesToRemove;
            if (!destination.empty() && FileRemover::needsCopy(f->path(), destination))
                bytesToCopy += f->size();
        }
    }
    std::stable_sort(taken.begin(), taken.end(),
                     [](const auto& a, const auto& b) { return a->totalSize < b->totalSize; });

    if (!destination.empty()) {
        const std::uint64_t free = destinationVolume ? destinationVolume->freeBytes : 0;
        ORVANE_LOG("system free size = " + std::to_string(free) +
                   ", selected file size = " + std::to_string(bytesToCopy));
        if (free < bytesToCopy) {
            const std::string disk = destinationVolume ? destinationVolume->name : destination;
            notifyRefused(m, kit::formatLocalized(
                                 "There is insufficient space on disk %@. Please choose to "
                                 "permanently delete these files or you can free up %@ space on "
                                 "disk %@ before removing duplicate files.",
                                 {disk, kit::transformedFileSize(bytesToCopy - free), disk}));
            return;
        }
    }

    auto resources = std::make_shared<RunResources>();
    if (type.kind == RemoveType::Kind::trash) resources->trash = platform::makeTrash(env.layout);
    resources->remover = std::make_unique<FileRemover>(
        resources->trash.get(),
        [volumeOf](const std::string& path) -> std::optional<std::uint64_t> {
            if (auto v = volumeOf(FileRemover::existingAncestor(path))) return v->freeBytes;
            return std::nullopt;
        });

    auto context = std::make_shared<RemoveRunContext>();
    context->remover = resources->remover.get();
    context->type = type;
    context->folder = destination;
    context->removeStop = &m.removeStop;
    context->freeSizeNotEnought = &m.freeSizeNotEnought;
    context->forceRemove = &m.forceRemove;
    context->removeQueue = &m.removeQueue;
    std::weak_ptr<ScanManager> weak = self;
    context->askForceRemove = [weak](const std::string& volume, std::function<void(bool)> answer) {
        auto strong = weak.lock();
        auto o = strong ? strong->delegate.lock() : nullptr;
        if (o) o->confirmForceRemove(volume, std::move(answer));
        else answer(false);
    };
    context->onFailure = [weak](const FileInfo&) {
        if (auto s = weak.lock()) s->dataQueue.async([s] { ++s->failedRemoveCount; });
    };

    if (auto o = m.delegate.lock()) o->startRemove();
    bool stopSent = false;
    for (const DuplicateFilesPtr& g : taken) {
        if (m.removeStop) {
            if (auto o = m.delegate.lock()) o->stopRemove();
            stopSent = true;
            break;
        }
        auto op = std::make_shared<RemoveOperation>(g, context);
        // A group is counted in the list of its first member's kind; a copy under another
        // extension must come off that list, not off the one its own name suggests.
        const FileType groupKind =
            g->infos().empty() ? FileType::other : g->infos().front()->fileType();
        std::weak_ptr<DuplicateFiles> weakGroup = g;
        op->removeBlock = [weak, weakGroup, groupKind, filesToRemove](
                              const std::shared_ptr<FileInfo>& file, FileType,
                              const RemovalResult& result) {
            auto s = weak.lock();
            if (!s) return;
            // Called on the removal thread while the group's members stand still: a name whose
            // file keeps another name, in the group or anywhere else, freed no bytes.
            const auto group = weakGroup.lock();
            const bool freedNothing =
                result.otherNamesRemain || (group && group->hasOtherNameOf(*file));
            const std::uint64_t size = freedNothing ? 0 : file->size();
            const FileType kind = groupKind;
            s->dataQueue.async([s, size, kind, filesToRemove] {
                s->succeedRemoveSize += size;
                s->succeedRemoveCount += 1;
                subtractFromTotals(*s, size, kind);
                const double value = filesToRemove > 0
                                         ? static_cast<double>(s->succeedRemoveCount) /
                                               static_cast<double>(filesToRemove)
                                         : 1.0;
                if (auto o = s->delegate.lock()) o->cleanProgress(value, s->succeedRemoveCount);
            });
        };
        m.removeQueue.addOperation(op);
    }
    m.removeQueue.waitUntilAllOperationsAreFinished();
    m.dataQueue.drain();
    if (m.removeStop && !stopSent) {
        if (auto o = m.delegate.lock()) o->stopRemove();
    }
    m.endTime = now();
    ORVANE_LOG("remove finish! remain totalFilesSize = " + std::to_string(m.totalFilesSize) +
               ", video = " + std::to_string(m.videoFilesSize) +
               ", audio = " + std::to_string(m.audioFilesSize) +
               ", picture = " + std::to_string(m.pictureFilesSize) +
               ", document = " + std::to_string(m.documentFilesSize) +
               ", other = " + std::to_string(m.otherFilesSize));
    m.removeFinished = true;
    if (auto o = m.delegate.lock()) o->removeFinished();
}

}  // namespace

void ScanManager::removeDuplicateFiles(std::vector<DuplicateFilesPtr> groups, RemoveType type) {
    removeStop = false;
    freeSizeNotEnought = false;
    forceRemove = false;
    removeFinished = false;
    removeQueue.setSuspended(false);
    succeedRemoveCount = 0;
    failedRemoveCount = 0;
    succeedRemoveSize = 0;
    lastRemoveType = type;
    auto self = shared_from_this();
    kit::dispatchGlobal([self, groups = std::move(groups), type]() mutable {
        removeBody(self, std::move(groups), std::move(type));
    });
}

}  // namespace orvane::duplicates
