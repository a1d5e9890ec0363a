#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvane::files {
class RemovalJournal;
struct GuardedItem;
}  // namespace orvane::files

namespace orvane::platform {
class Trash;
}

namespace orvane::files {

// What the scan saw of a file. Removal compares it with the file on disk right before touching
// it, so a file replaced, rewritten or turned into a link since the scan is left alone. Unknown
// fields are not compared.
struct ScannedIdentity {
    std::optional<std::uint64_t> device;
    std::optional<std::uint64_t> inode;
    std::optional<std::uint64_t> size;  // compared for files only; a folder's size is its tree's
    // Nanoseconds since 1970. An edit in place keeps inode and size but never these.
    std::optional<std::int64_t> mtimeNs;
    std::optional<std::int64_t> ctimeNs;
    bool isDirectory = false;
    // The folder the item was found in. When known, an item whose folder has been swapped for
    // another one (same name, other device or inode) since the scan is left alone.
    std::optional<std::uint64_t> parentDevice;
    std::optional<std::uint64_t> parentInode;

    // What a scan sees of the item at `path` now, without following a link: nothing when it
    // cannot be read. Folders keep device and inode only, since what lies in them changes
    // their times.
    static std::optional<ScannedIdentity> capture(const std::string& path);
};

// A copy of the item meant to stay. A duplicate is removed only while one of these still is what
// the scan saw, is another file on disk, and holds the same bytes, compared right before.
struct KeptCopy {
    std::string path;
    ScannedIdentity scanned;
};

// Error codes recorded on a file that could not be removed; anything else is an errno value.
inline constexpr int kRemoveErrorMissing = 1;      // gone since the scan
inline constexpr int kRemoveErrorChanged = -2;     // another file, or rewritten, since the scan
inline constexpr int kRemoveErrorTrash = -3;       // the Trash refused it
inline constexpr int kRemoveErrorLastCopy = -4;    // the copies meant to stay are gone
inline constexpr int kRemoveErrorNotRegular = -5;  // a pipe, socket, device or link
inline constexpr int kRemoveErrorJournal = -6;     // what would go could not be written down
inline constexpr int kRemoveErrorInPlace = -7;     // already in the chosen folder

struct RemovalResult {
    bool ok = false;
    int code = 0;
    std::string error;             // a sentence for the user when !ok
    std::string destination;       // where the item now lies (Trash or folder), when known
    std::uint64_t freedBytes = 0;  // disk space a deletion gave back
    // The file keeps another name (a hard link) elsewhere: taking this name away gave back no
    // space, whatever the mode. Its change time moved with the name; `remainingCtimeNs` is the
    // new one, so that another name of it chosen in the same run is not taken for edited.
    bool otherNamesRemain = false;
    std::optional<std::int64_t> remainingCtimeNs;
    std::uint64_t linkCount = 1;  // names the file had right before this one went
};

// Free bytes of the file system holding a path; nothing when it cannot be read. Injected so that
// tests can play a full disk.
using FreeSpaceReader = std::function<std::optional<std::uint64_t>(const std::string& path)>;
FreeSpaceReader systemFreeSpaceReader();

// The three ways a selected item leaves its place, each behind the same safety check. Stateless
// apart from its collaborators, so one instance may serve a whole removal run.
class FileRemover {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // `trash` may be null when the Trash is not offered (tests of the other modes).
    explicit FileRemover(platform::Trash* trash,
                         FreeSpaceReader freeSpace = systemFreeSpaceReader(),
                         Clock clock = std::chrono::system_clock::now);

    // Nothing when the item still is what was scanned; otherwise why it is not.
    static std::optional<RemovalResult> checkStillScanned(const std::string& path,
                                                          const ScannedIdentity& scanned);

    // Each of the three reaches the item from / without following a link, refuses anything but
    // a regular file (or the folder that was scanned) still as the scan saw it, checks `kept`
    // when given, and writes the removal journal's line before acting.
    // Permanent deletion. A folder is emptied without ever following a link inside it.
    RemovalResult deleteForever(const std::string& path, const ScannedIdentity& scanned,
                                const std::vector<KeptCopy>& kept = {}) const;
    RemovalResult moveToTrash(const std::string& path, const ScannedIdentity& scanned,
                              const std::vector<KeptCopy>& kept = {}) const;
    // Moves into `folder` under a free name (renamePath), never replacing anything there. Across
    // volumes the item is copied, flushed, and only then removed from where it was.
    RemovalResult moveToFolder(const std::string& path, const ScannedIdentity& scanned,
                               const std::string& folder) const;

    std::optional<std::uint64_t> freeSpace(const std::string& path) const;
    // True when moving `path` into `folder` means copying its bytes to another file system. A
    // folder not made yet (a Trash before its first use) counts as the folder it will be made in.
    static bool needsCopy(const std::string& path, const std::string& folder);
    // `path` itself when it exists, else its nearest existing parent.
    static std::string existingAncestor(const std::string& path);

    // A name in `folder` for the item at `path` that nothing occupies yet: its own name first,
    // then "<name> <YYYY-MM-dd HH:mm:ss:SSS>.<ext>" from the given time.
    static std::string renamePath(const std::string& folder, const std::string& path,
                                  std::chrono::system_clock::time_point now);

    ~FileRemover();
    const files::RemovalJournal& journal() const { return *journal_; }

private:
    std::optional<RemovalResult> checkKept(const std::string& path, const files::GuardedItem& item,
                                           const std::vector<KeptCopy>& kept) const;
    std::optional<RemovalResult> writeDown(std::string_view action, const std::string& path,
                                           const files::GuardedItem& item,
                                           const std::string& destination) const;

    std::unique_ptr<files::RemovalJournal> journal_;
    platform::Trash* trash_;
    FreeSpaceReader freeSpace_;
    Clock clock_;
};

}  // namespace orvane::files
