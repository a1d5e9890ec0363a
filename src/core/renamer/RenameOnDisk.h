#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/renamer/FileIdentity.h"
#include "core/renamer/FileItem.h"

namespace orvane::renamer {

class RenameJournal;

struct RenamePair {
    std::string oldPath;
    std::string newName;
    // The file as the user added it; when set, a file that no longer matches is not renamed.
    std::optional<FileIdentity> identity;
};

struct MovedFile {
    std::string oldPath;
    std::string newPath;
};

struct RenameOutcome {
    std::vector<MovedFile> moved;
    std::vector<FailedFileItem> failed;
};

// Renames within one folder without ever replacing an existing file: renameat2 with
// RENAME_NOREPLACE, or a hard link and an unlink where the file system lacks it. 0 or an errno.
int renameNoReplace(int dirfd, const std::string& from, const std::string& to);

// Gives each file its new name in its own folder. A name without extension keeps the old one;
// a taken name becomes "name(1).ext", "name(2).ext", ... Each rename is journaled. Nothing is
// renamed without a journal to undo it with, and a file that changed since it was added, is a
// symbolic link now, or is gone is left alone and listed as failed.
RenameOutcome applyFileRenames(const std::vector<RenamePair>& pairs, RenameJournal& journal);

struct UndoOutcome {
    bool hadRun = false;
    std::vector<MovedFile> restored;                           // new path → old path
    std::vector<std::pair<std::string, std::string>> refused;  // path, why
};

// Puts the names of the last journaled run back, newest first, refusing a file that changed since
// it was renamed or whose old name is taken now.
UndoOutcome undoLastRenaming(RenameJournal& journal);

}  // namespace orvane::renamer
