#include "core/renamer/RenameOnDisk.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/renamer/FileNameRules.h"
#include "core/renamer/ParserSupport.h"
#include "core/renamer/RenameJournal.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::renamer {

namespace {

constexpr int kMaxSuffix = 9999;

class Folder {
public:
    explicit Folder(const std::string& path)
        : fd_(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {}
    ~Folder() {
        if (fd_ >= 0) ::close(fd_);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

FailedFileItem failure(const std::string& path, std::string message) {
    ORVANE_LOG("rename refused for " + kit::displayPath(path) + ": " + message);
    // Renames that fail are recorded with this reason, as refused additions are.
    return FailedFileItem{path, FailedReason::oversize, std::move(message)};
}

}  // namespace

int renameNoReplace(int dirfd, const std::string& from, const std::string& to) {
    if (::renameat2(dirfd, from.c_str(), dirfd, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // The file system cannot refuse to replace on its own: a hard link fails on an existing name.
    if (::linkat(dirfd, from.c_str(), dirfd, to.c_str(), 0) != 0) return errno;
    if (::unlinkat(dirfd, from.c_str(), 0) != 0) {
        const int err = errno;
        ::unlinkat(dirfd, to.c_str(), 0);
        return err;
    }
    return 0;
}

RenameOutcome applyFileRenames(const std::vector<RenamePair>& pairs, RenameJournal& journal) {
    RenameOutcome out;
    std::string runId;
    for (const RenamePair& pair : pairs) {
        std::string why;
        const auto valid = FileNameRules::validated(pair.newName, &why);
        if (!valid) {
            out.failed.push_back(failure(pair.oldPath, why));
            continue;
        }
        const std::string name = FileNameRules::withExtensionOf(*valid, pair.oldPath);
        const std::string oldName = fileNameOf(pair.oldPath);
        const std::string folderPath = kit::parentPath(pair.oldPath);
        if (name == oldName) {
            out.moved.push_back({pair.oldPath, pair.oldPath});
            continue;
        }
        Folder folder(folderPath);
        if (folder.fd() < 0) {
            out.failed.push_back(failure(
                pair.oldPath, std::string("The folder cannot be opened: ") + std::strerror(errno)));
            continue;
        }
        const auto current = FileIdentity::at(folder.fd(), oldName);
        if (!current) {
            out.failed.push_back(failure(pair.oldPath, "The file is no longer there."));
            continue;
        }
        if (!current->regular) {
            out.failed.push_back(failure(pair.oldPath, "Only regular files are renamed."));
            continue;
        }
        if (pair.identity && !current->matches(*pair.identity)) {
            out.failed.push_back(failure(pair.oldPath, "The file has changed since it was added."));
            continue;
        }
        if (runId.empty()) runId = journal.beginRun();
        if (runId.empty()) {
            out.failed.push_back(
                failure(pair.oldPath,
                        "The rename journal cannot be written, so renaming could not be undone."));
            continue;
        }

        std::string finalName;
        int err = 0;
        for (int n = 0; n <= kMaxSuffix; ++n) {
            const std::string candidate = n == 0 ? name : FileNameRules::numbered(name, n);
            if (candidate == oldName) {  // the file already has this numbered name
                finalName = candidate;
                err = 0;
                break;
            }
            if (candidate.size() > FileNameRules::kMaxNameBytes) {
                err = ENAMETOOLONG;
                break;
            }
            err = renameNoReplace(folder.fd(), oldName, candidate);
            if (err == EEXIST) continue;
            if (err == 0) finalName = candidate;
            break;
        }
        if (finalName.empty()) {
            out.failed.push_back(failure(
                pair.oldPath, err == EEXIST ? "Every numbered name is taken."
                                            : std::string("The file could not be renamed: ") +
                                                  std::strerror(err)));
            continue;
        }
        const std::string newPath = kit::joinPath(folderPath, finalName);
        if (finalName == oldName) {
            out.moved.push_back({pair.oldPath, newPath});
            continue;
        }
        const auto after = FileIdentity::at(folder.fd(), finalName);
        if (!after || after->device != current->device || after->inode != current->inode) {
            // Someone swapped the file between the check and the rename: put it back.
            renameNoReplace(folder.fd(), finalName, oldName);
            out.failed.push_back(failure(pair.oldPath, "The file changed while it was renamed."));
            continue;
        }
        if (!journal.record(runId, {pair.oldPath, newPath, *after}))
            ORVANE_LOG("rename journal line lost for " + kit::displayPath(newPath));
        out.moved.push_back({pair.oldPath, newPath});
    }
    return out;
}

UndoOutcome undoLastRenaming(RenameJournal& journal) {
    UndoOutcome out;
    const auto run = journal.lastRun();
    if (!run) return out;
    out.hadRun = true;
    for (auto it = run->entries.rbegin(); it != run->entries.rend(); ++it) {
        const std::string folderPath = kit::parentPath(it->newPath);
        const std::string newName = fileNameOf(it->newPath);
        const std::string oldName = fileNameOf(it->oldPath);
        Folder folder(folderPath);
        const auto now = folder.fd() >= 0 ? FileIdentity::at(folder.fd(), newName) : std::nullopt;
        if (!now) {
            out.refused.emplace_back(it->newPath, "The file is no longer there.");
            continue;
        }
        if (!now->matches(it->identity)) {
            out.refused.emplace_back(it->newPath, "The file has changed since it was renamed.");
            continue;
        }
        const int err = renameNoReplace(folder.fd(), newName, oldName);
        if (err == EEXIST) {
            out.refused.emplace_back(it->newPath, "\"" + oldName + "\" exists again.");
            continue;
        }
        if (err != 0) {
            out.refused.emplace_back(
                it->newPath, std::string("The name could not be put back: ") + std::strerror(err));
            continue;
        }
        out.restored.push_back({it->newPath, it->oldPath});
    }
    journal.markUndone(run->id);
    return out;
}

}  // namespace orvane::renamer
