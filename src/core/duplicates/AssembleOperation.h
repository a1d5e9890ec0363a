#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/duplicates/LockstepComparison.h"
#include "core/duplicates/Md5File.h"
#include "core/duplicates/ScanCache.h"
#include "core/duplicates/SharedFileNames.h"
#include "kit/Operation.h"

namespace orvane::duplicates {

class FileHandles;

// Confirms one candidate group (files of one exact size) by content: every delivered group
// holds two or more files whose whole contents are byte for byte the same. Files that differ in
// their first, middle or last 4 KiB are told apart before anything is read whole; the rest are
// compared side by side (LockstepComparison), or whole in memory when small. Hard links to one
// file are read once. Files that vanished, cannot be opened, were replaced or changed size since
// the scan are in no group.
class AssembleOperation : public kit::Operation {
public:
    // `data` holds distinct paths; `scanStop` is the driver's stop flag (may be null).
    AssembleOperation(std::vector<ResourceValueURL> data, std::int64_t size,
                      const std::atomic<bool>* scanStop = nullptr);
    // The same, with `data` (and `recalled`) filled by `fill` on the operation's own thread
    // just before it runs: a driver queueing thousands of groups then copies no path itself.
    using Fill = std::function<void(std::vector<ResourceValueURL>& data,
                                    std::vector<ScanCache::Recall>& recalled)>;
    AssembleOperation(Fill fill, std::int64_t size, const std::atomic<bool>* scanStop = nullptr);

    // Complete once the operation has begun; not to be changed by anyone else. The entries of
    // files it delivered in a group move into that group.
    std::vector<ResourceValueURL> data;
    const std::int64_t size;

    // Called once per confirmed group, on the operation's thread, members in ascending path
    // order.
    std::function<void(DuplicateFilesPtr)> assembleBlock;
    // Called with each path just before it is first read.
    std::function<void(const std::string&)> assemblingBlock;

    // Set before queueing: read only what is already in memory. If any file would have to come
    // from the disk, the operation delivers nothing and sets `deferred`, so the driver can hand
    // the group to the one reader of a rotating disk instead.
    bool cachedOnly = false;
    bool deferred = false;

    // Groups at or below this size are delivered at once; above it, members are checked to
    // still exist just before delivery, as reading them takes long enough for that to change.
    static constexpr std::int64_t kRecheckAbove = 1'000'000'000;
    // Groups of files up to this size, together up to kInMemoryGroup, are read whole and
    // compared in memory; larger ones are compared side by side, chunk by chunk. The group
    // bound lets tens of thousands of tiny files of one size (config files, markers, source
    // trees) be compared with one read each.
    static constexpr std::uint64_t kInMemoryFile = 64 * 1024;
    static constexpr std::uint64_t kInMemoryGroup = 4 * 1024 * 1024;

    // Buffer bounds of the side-by-side comparison; a rotating disk gets longer reads, so it
    // seeks less between the files it compares.
    LockstepComparison::Limits limits;
    // What earlier scans learned, and where this one's findings go; null: read everything.
    std::shared_ptr<ScanCache> cache;
    // What `cache` knows of each of `data`, looked up in advance (see SizeGroups::recall);
    // empty: the operation asks the cache itself.
    std::vector<ScanCache::Recall> recalled;

protected:
    void main() override;

private:
    bool stopped() const;
    // Tells the observer about file i just before its first read.
    void announce(std::size_t i) {
        if (announced_[i]) return;
        announced_[i] = true;
        if (assemblingBlock) assemblingBlock(data[i].url);
    }
    std::vector<bool> announced_;
    Fill fill_;
    // What the cache knows of file i of `bytes` bytes.
    std::optional<std::uint64_t> knownSample(std::size_t i, std::uint64_t bytes) const;
    std::optional<ContentClass> knownClass(std::size_t i, std::uint64_t bytes) const;
    // All split `toCompare` (indices into data) into sets of identical content; confirm()
    // first takes what the cache knows.
    // `known`: the sets are what one earlier scan found, nothing was read.
    std::vector<std::vector<std::size_t>> confirm(const std::vector<std::size_t>& candidate,
                                                  std::uint64_t bytes, FileHandles& files,
                                                  bool& known);
    std::vector<std::vector<std::size_t>> compare(const std::vector<std::size_t>& toCompare,
                                                  std::uint64_t bytes, FileHandles& files);
    std::vector<std::vector<std::size_t>> compareInMemory(const std::vector<std::size_t>& toCompare,
                                                          std::uint64_t bytes, FileHandles& files);
    std::vector<std::vector<std::size_t>> compareInLockstep(
        const std::vector<std::size_t>& toCompare, std::uint64_t bytes, FileHandles& files);
    const std::atomic<bool>* scanStop_;
};

}  // namespace orvane::duplicates
