#pragma once

#include <cstdint>
#include <string>

namespace orvane::files {

// What a scan had to pass over without looking inside. A person deciding what to delete should
// know that the results do not cover everything below the chosen folders.
struct SkippedEntries {
    std::uint64_t unreadableFolders = 0;  // could not be opened (permissions, gone mid-scan)
    std::uint64_t unreadableFiles = 0;    // no read permission, so their content is unknown
    std::uint64_t tooLongPaths = 0;       // longer than the system lets a program name a file

    std::uint64_t total() const { return unreadableFolders + unreadableFiles + tooLongPaths; }
    bool empty() const { return total() == 0; }

    // "3 entries were skipped: 2 unreadable folders, 1 path too long." Empty when none were.
    std::string sentence() const;

    SkippedEntries& operator+=(const SkippedEntries& other) {
        unreadableFolders += other.unreadableFolders;
        unreadableFiles += other.unreadableFiles;
        tooLongPaths += other.tooLongPaths;
        return *this;
    }
};

}  // namespace orvane::files
