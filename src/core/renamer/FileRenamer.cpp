#include "core/renamer/FileRenamer.h"

#include "core/renamer/AIRenameFileModel.h"
#include "core/renamer/FileDataExtraction.h"
#include "core/renamer/FileNameRules.h"
#include "core/renamer/RenameRequest.h"
#include "kit/DispatchQueue.h"
#include "kit/Log.h"
#include "kit/MainQueue.h"
#include "kit/Paths.h"

namespace orvane::renamer {

std::shared_ptr<FileRenamer> FileRenamer::create() {
    return std::shared_ptr<FileRenamer>(new FileRenamer());
}

void FileRenamer::renameAll() {
    if (isRunning) return;
    isRunning = true;
    isContinue = true;
    renameFilesSequentially(0, true);
}

void FileRenamer::retry(std::size_t index) {
    if (isRunning || index >= items.size()) return;
    isRunning = true;
    isContinue = true;
    items[index].state = FileProcessState::idle;
    items[index].error.clear();
    renameFilesSequentially(index, false);
}

void FileRenamer::stop() { isContinue = false; }

void FileRenamer::finish() {
    isRunning = false;
    if (auto d = delegate.lock()) d->fileRenamerDidFinishAll();
}

void FileRenamer::renameFilesSequentially(std::size_t index, bool isRenamingAll) {
    if (index >= items.size() || !isContinue) {
        finish();
        return;
    }
    FileItem& item = items[index];
    if (isRenamingAll &&
        (item.state == FileProcessState::success || item.state == FileProcessState::failed)) {
        std::weak_ptr<FileRenamer> weak = weak_from_this();
        kit::MainQueue::post([weak, index] {
            if (auto self = weak.lock()) self->renameFilesSequentially(index + 1, true);
        });
        return;
    }
    ORVANE_LOG(">>>>>开始重命名:" + kit::displayPath(item.filePath));
    item.state = FileProcessState::loading;
    item.error.clear();
    if (auto d = delegate.lock()) d->fileRenamerDidUpdate(index);

    AIRenameFileModel model;
    model.filePath = item.filePath;
    model.lang = perferenceLang;
    model.peferType = perferenceSetting;
    const std::string url = serviceURL;
    const long timeout = timeoutSeconds;
    std::weak_ptr<FileRenamer> weak = weak_from_this();
    kit::dispatchGlobal([weak, model, url, timeout, index, isRenamingAll]() mutable {
        std::string why;
        {
            auto self = weak.lock();
            if (!self) return;
            extractFileData(model, self->router_, &why);
            if (!why.empty()) ORVANE_LOG("extraction failed: " + why);
        }
        RenameResult result;
        const bool nothingRead = !model.extractedData || model.extractedData->empty();
        if (nothingRead) {
            // The reader's own reason, when there is one, tells the user what to fix.
            result.error = NetworkError::custom(why.empty() ? "File content is missing"
                                                            : "File content is missing: " + why);
        } else {
            result = RenameRequest::aiFileRename(url, model, timeout);
            std::string why;
            if (result.ok() && !FileNameRules::validated(*result.suggestedName, &why)) {
                result.error =
                    NetworkError::custom("The service suggested an unusable name: " + why);
                result.suggestedName.reset();
            }
        }
        kit::MainQueue::post([weak, index, isRenamingAll, nothingRead, result = std::move(result)] {
            auto self = weak.lock();
            if (!self || index >= self->items.size()) return;
            FileItem& done = self->items[index];
            if (result.ok()) {
                done.newName = *FileNameRules::validated(*result.suggestedName);
                done.state = FileProcessState::success;
                ORVANE_LOG(">>>>>重命名成功: " + kit::displayPath(done.filePath));
            } else {
                done.state = FileProcessState::failed;
                done.error = result.error.description();
                done.failedToExtract = nothingRead;
                ORVANE_LOG(">>>>>重命名失败: " + done.error);
            }
            if (auto d = self->delegate.lock()) d->fileRenamerDidUpdate(index);
            if (isRenamingAll) self->renameFilesSequentially(index + 1, true);
            else self->finish();
        });
    });
}

void FileRenamer::applyFileRenames(RenameJournal& journal,
                                   std::function<void(const RenameOutcome&)> done) {
    std::vector<RenamePair> pairs;
    std::vector<std::size_t> indexes;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const FileItem& it = items[i];
        if (it.state != FileProcessState::success || !it.newName) continue;
        pairs.push_back({it.filePath, *it.newName, it.identity});
        indexes.push_back(i);
    }
    std::weak_ptr<FileRenamer> weak = weak_from_this();
    kit::dispatchGlobal([weak, pairs, indexes, &journal, done = std::move(done)] {
        RenameOutcome outcome = renamer::applyFileRenames(pairs, journal);
        kit::MainQueue::post([weak, pairs, indexes, outcome = std::move(outcome), done] {
            if (auto self = weak.lock()) {
                for (const MovedFile& m : outcome.moved) {
                    for (std::size_t k = 0; k < pairs.size(); ++k) {
                        if (pairs[k].oldPath != m.oldPath || indexes[k] >= self->items.size())
                            continue;
                        FileItem& item = self->items[indexes[k]];
                        item.filePath = m.newPath;
                        item.identity = FileIdentity::of(m.newPath);
                    }
                }
            }
            if (done) done(outcome);
        });
    });
}

}  // namespace orvane::renamer
