#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/renamer/FileIdentity.h"

namespace orvane::renamer {

struct RenameJournalEntry {
    std::string oldPath;
    std::string newPath;
    // The file right after its rename; undo refuses a file that no longer matches.
    FileIdentity identity;
};

struct RenameRun {
    std::string id;
    double time = 0;
    std::vector<RenameJournalEntry> entries;
};

// Every applied renaming, one line per file, so that the last run can be put back. The file is
// only ever appended to (each line written whole and flushed to disk), so the window and the
// command line can share it and a crash loses at most the line being written.
//
// Lines: "run ID TIME", "mv ID OLD NEW DEV INO SIZE MTIME CTIME", "undone ID"; paths keep their
// bytes, with space, control characters and '%' written as %XX.
class RenameJournal {
public:
    explicit RenameJournal(std::string path) : path_(std::move(path)) {}
    // <state folder>/rename-journal.
    static std::string defaultPath();

    const std::string& path() const { return path_; }

    // Starts a run and returns its id; empty when the journal cannot be written (the renaming
    // must then not go ahead, or it could not be undone).
    std::string beginRun();
    bool record(const std::string& runId, const RenameJournalEntry& entry);
    // The newest run that renamed something and was not undone.
    std::optional<RenameRun> lastRun() const;
    bool markUndone(const std::string& runId);

    static std::string encodePath(const std::string& path);
    static std::optional<std::string> decodePath(const std::string& text);

private:
    bool append(const std::string& line);
    std::string path_;
};

}  // namespace orvane::renamer
