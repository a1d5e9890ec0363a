#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/duplicates/Md5File.h"
#include "core/duplicates/SharedFileNames.h"
#include "kit/Operation.h"

namespace orvane::duplicates {

class FileHandles;

// Confirms one candidate group (files of one exact size) by content: every delivered group
// holds two or more files whose whole contents have the same MD5. Files that differ in their
// first, middle or last 4 KiB are told apart before anything is read whole; hard links to one
// file are read once. Files that vanished, cannot be opened or changed size since the scan are
// in no group.
class AssembleOperation : public kit::Operation {
public:
    // `data` holds distinct paths; `scanStop` is the driver's stop flag (may be null).
    AssembleOperation(std::vector<ResourceValueURL> data, std::int64_t size,
                      const std::atomic<bool>* scanStop = nullptr);

    const std::vector<ResourceValueURL> data;
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
    // compared byte for byte; larger ones are digested file by file in 1 MiB chunks.
    static constexpr std::uint64_t kInMemoryFile = 1024 * 1024;
    static constexpr std::uint64_t kInMemoryGroup = 8 * 1024 * 1024;

protected:
    void main() override;

private:
    bool stopped() const;
    struct Digested {
        ContentDigest digest;        // SHA-256 left zero for files compared byte for byte
        std::uint32_t contentClass;  // files compared byte for byte: equal only if identical
        std::size_t index;           // into data
    };
    void compareInMemory(const std::vector<std::size_t>& toDigest, std::uint64_t bytes,
                         bool announced, FileHandles& files, std::vector<Digested>& digests);
    const std::atomic<bool>* scanStop_;
};

}  // namespace orvane::duplicates
