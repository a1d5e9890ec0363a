#pragma once

#include <sys/stat.h>

#include <atomic>
#include <optional>
#include <string>

#include "core/files/FileIdentity.h"
#include "core/files/UniqueFd.h"

namespace orvane::files {

// Why an item was left in place. Each has its own sentence for the result screen.
enum class GuardRefusal {
    none,
    missing,       // gone since the scan
    linkOnPath,    // the item or a folder above it is now a symbolic link
    notRegular,    // a pipe, socket, device or link: never removed
    changed,       // replaced, edited, resized or touched since the scan
    keptMissing,   // the copy meant to stay is gone or changed
    keptSameFile,  // the copy meant to stay is this very file under another name
    keptDiffers,   // the copy meant to stay no longer holds the same bytes
    stopped,       // a stop came during the comparison
    error,         // the system refused a call; errno in `error`
};

// An item reached from "/" one component at a time without following any symbolic link, held
// open: the folder it lies in and the item itself, so whatever acts on it next acts on exactly
// what was checked, not on whatever the path names a moment later.
struct GuardedItem {
    UniqueFd parent;    // the folder holding the item
    std::string name;   // the item's name in it
    UniqueFd item;      // O_PATH: identifies the item, reads nothing
    struct stat st {};  // of the item, taken from `item`
};

struct GuardResult {
    std::optional<GuardedItem> item;  // set when the item may be acted on
    GuardRefusal refusal = GuardRefusal::none;
    int error = 0;
    std::string reason;  // a sentence for the user when refused

    explicit operator bool() const { return item.has_value(); }
};

// The one check every removal, move and trashing passes right before acting.
class RemovalGuard {
public:
    // Opens `path` (absolute) without following links and checks it still is what the scan saw:
    // a regular file (or, when `folderAllowed`, the folder that was scanned) with the same
    // device, inode, size, modification and change time.
    static GuardResult verify(const std::string& path, const FileIdentity& scanned,
                              bool folderAllowed = false);

    // For removing one copy of a group: `kept` must still be the kept copy the scan saw, a
    // different file from `doomed`, with the same bytes, compared right now. `doomed` must have
    // been verified already.
    static GuardResult confirmKeptCopy(const std::string& doomedPath, const GuardedItem& doomed,
                                       const std::string& keptPath, const FileIdentity& keptScanned,
                                       const std::atomic<bool>* stop = nullptr);

    // Opens the verified item for reading; -1 when it cannot be.
    static UniqueFd openForReading(const GuardedItem& item);

    // The walk alone: the parent folder and the item, no identity check. Relative paths are
    // taken from the working folder; ".." is resolved as the kernel does, from the folder
    // actually reached.
    static GuardResult open(const std::string& path);

    // The user's sentence for a refusal, naming the item.
    static std::string describe(GuardRefusal refusal, const std::string& path, int error = 0);
};

// Byte-for-byte comparison of two open files of `size` bytes, from their start; false on any
// difference, short read or stop.
bool sameBytes(int a, int b, std::uint64_t size, const std::atomic<bool>* stop = nullptr);

}  // namespace orvane::files
