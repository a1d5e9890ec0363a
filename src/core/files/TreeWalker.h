#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::files {

enum class EntryType : std::uint8_t { unknown, file, directory, symlink, other };

// One directory entry as the walker saw it. Valid only during the visitor call: the strings
// point into the walker's per-thread buffers.
struct WalkEntry {
    std::string_view path;                // full path bytes, as the file system spelled them
    std::string_view name;                // last component
    EntryType type = EntryType::unknown;  // a symlink is never followed
    bool hidden = false;                  // name starts with a dot
    // The fields below are valid when statOk: every non-directory entry is stat'ed (without
    // following symlinks); directories only with Options::statDirectories.
    bool statOk = false;
    std::uint64_t size = 0;
    std::uint64_t allocatedSize = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    double modificationTime = 0;  // seconds since 1970
    std::int64_t mtimeNs = 0;     // modification and change time, nanoseconds since 1970:
    std::int64_t ctimeNs = 0;     // what removal compares to see an edit since the scan
    std::uint32_t mode = 0;
    std::uint32_t uid = 0;
    std::uint32_t gid = 0;
    std::uint32_t linkCount = 0;
    int parentFd = -1;    // the open parent directory, for *at() calls
    unsigned depth = 1;   // 1 for a root's own children
    unsigned thread = 0;  // index of the calling worker, below threadCount()
};

enum class WalkAction : std::uint8_t { proceed, skipDescendants };

// Walks directory trees with several threads using raw directory reads, calling the visitor
// concurrently for every entry below the roots (never for a root itself). Symlinks are
// reported, never followed, and a directory reached twice (bind mounts, overlapping roots) is
// read once, so no tree can make the walk loop. Unreadable directories are passed over and
// counted, and so are entries whose path is too long for any later call to name them.
class TreeWalker {
public:
    struct Options {
        unsigned threads;      // 0: one per core, at least 2, at most 8
        bool statDirectories;  // false: directories are known from the entry type alone
    };
    using Visitor = std::function<WalkAction(const WalkEntry&)>;

    TreeWalker() : TreeWalker(Options{0, false}) {}
    explicit TreeWalker(Options options);

    unsigned threadCount() const { return threads_; }

    // Returns when every reachable entry was visited or `stop` became true. A root that is not
    // a directory (or a symlink to one) yields nothing.
    void walk(const std::vector<std::string>& roots, const Visitor& visitor,
              const std::atomic<bool>* stop = nullptr);

    // Progress, readable from any thread while walk() runs.
    std::uint64_t directoriesSeen() const { return directories_.load(std::memory_order_relaxed); }
    std::uint64_t filesSeen() const { return files_.load(std::memory_order_relaxed); }
    std::uint64_t unreadableDirectories() const {
        return unreadable_.load(std::memory_order_relaxed);
    }
    // Entries not visited because their full path is PATH_MAX bytes or longer: every module
    // names files by path when it reads, compares or removes them, so these could only fail.
    std::uint64_t tooLongPaths() const { return tooLong_.load(std::memory_order_relaxed); }

    // Whether this process may read / write the entry, decided from its mode bits and our
    // identity, asking the kernel only when the bits say no (an ACL may still allow it). A
    // symlink answers for its target.
    static bool isReadable(const WalkEntry& entry);
    static bool isWritable(const WalkEntry& entry);

private:
    unsigned threads_;
    bool statDirectories_;
    std::atomic<std::uint64_t> directories_{0};
    std::atomic<std::uint64_t> files_{0};
    std::atomic<std::uint64_t> unreadable_{0};
    std::atomic<std::uint64_t> tooLong_{0};
};

}  // namespace orvane::files
