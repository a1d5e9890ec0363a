#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "core/files/DuplicateFiles.h"
#include "core/files/FileRemover.h"
#include "core/files/RemoveType.h"
#include "kit/Operation.h"

namespace orvane::kit {
class OperationQueue;
}

namespace orvane::files {

// What every group of one removal run shares: the mode, the flags the driver and the screen
// read and write, and the hooks back to the driver. The pointers belong to the driver, which
// outlives the run.
struct RemoveRunContext {
    const FileRemover* remover = nullptr;
    RemoveType type = RemoveType::trash();
    // The folder items go to: the chosen folder, or for the Trash the one folder it lives in when
    // items are copied there (the macOS layout); empty when the Trash keeps items on their own
    // volume (freedesktop) and for permanent deletion. Space is only checked against it.
    std::string folder;
    std::atomic<bool>* removeStop = nullptr;
    std::atomic<bool>* freeSizeNotEnought = nullptr;
    std::atomic<bool>* forceRemove = nullptr;
    // Suspended while the user decides whether items that do not fit may be deleted for good.
    kit::OperationQueue* removeQueue = nullptr;
    // Asks that question about `volumeName`; the answer must be passed to `answer` (on any
    // thread). Without a hook the answer is no.
    std::function<void(const std::string& volumeName, std::function<void(bool)> answer)>
        askForceRemove;
    // Counts a failed item (the driver's failedRemoveCount).
    std::function<void(const FileInfo&)> onFailure;
    // The members of a group are copies of one another (duplicates): a selected one is deleted
    // or trashed only while an unselected one still holds the same bytes. Large-file lists are
    // not copies.
    bool membersAreCopies = true;
};

// Removes the selected members of one group, one after another, and takes the removed ones out
// of the group. Every outcome is recorded on its file: `deleted`, or `removeError`.
class RemoveOperation final : public kit::Operation {
public:
    RemoveOperation(DuplicateFilesPtr files, std::shared_ptr<const RemoveRunContext> context);

    const DuplicateFilesPtr files;
    const std::string folder;
    // Runs for every file removed or moved, with its kind and what the remover reported.
    std::function<void(const std::shared_ptr<FileInfo>&, FileType, const RemovalResult&)>
        removeBlock;

    static ScannedIdentity identityOf(const FileInfo& file);

protected:
    void main() override;

private:
    // False when the file has to wait: it is passed over, neither removed nor failed.
    bool roomFor(const FileInfo& file);
    RemovalResult removeOne(const FileInfo& file, const std::vector<KeptCopy>& kept);

    std::shared_ptr<const RemoveRunContext> context_;
    // Files with several names this run has acted on, by device and inode. Taking one name away
    // touches the file, and that alone must not make its other names look edited; names put in
    // the Trash or a folder still count as names, and they are ours.
    struct Touched {
        std::int64_t ctimeNs = 0;
        std::uint64_t namesMoved = 0;
    };
    std::map<std::pair<std::uint64_t, std::uint64_t>, Touched> touchedByUs_;
};

}  // namespace orvane::files
