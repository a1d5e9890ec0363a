#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace orvane::duplicates {

// Splits files of one size into sets of identical content by reading them side by side, chunk
// by chunk, and comparing each chunk with memcmp: a set splits at the first chunk where its
// members differ, and a member that is alone in its set is not read any further. Every byte is
// read at most once and nothing is digested, so the comparison runs at the speed of reading.
//
// Memory stays within `bufferBytes` whatever the number of files: the chunk shrinks as the set
// grows. The caller owns the files and reads them on request, so it also decides how many stay
// open (see `release`).
class LockstepComparison {
public:
    struct Limits {
        std::size_t bufferBytes = 2 * 1024 * 1024;
        std::size_t maxChunk = 256 * 1024;  // two chunks stay in a core's cache
        std::size_t minChunk = 16 * 1024;   // below this, calls cost more than the bytes
    };

    // Reads exactly `length` bytes of member `m` from `offset` into `into`; false when that
    // fails (the member then leaves the comparison).
    using Reader = std::function<bool(std::size_t m, std::uint64_t offset, std::uint8_t* into,
                                      std::size_t length)>;
    // True when member `m` has no byte past the common size (a file that grew since the scan is
    // in no set).
    using EndCheck = std::function<bool(std::size_t m)>;
    // Member `m` will not be read again.
    using Release = std::function<void(std::size_t m)>;

    LockstepComparison(std::uint64_t size, Limits limits) : size_(size), limits_(limits) {}

    // The sets of identical members among 0..count-1, each in ascending order, singletons
    // included; members that failed a read are in none. Asked between chunks, `stop` ends the
    // comparison with no sets at all.
    std::vector<std::vector<std::size_t>> split(std::size_t count, const Reader& read,
                                                const EndCheck& atEnd, const Release& release,
                                                const std::function<bool()>& stop = {});

    // The chunk used for a set of `members` files.
    std::size_t chunkFor(std::size_t members) const;
    // The most files compared side by side within the buffer budget; larger sets are the
    // caller's to take in batches.
    std::size_t maxMembers() const {
        return std::max<std::size_t>(2, limits_.bufferBytes / limits_.minChunk);
    }

private:
    // Partitions members by the equal bytes of their buffers (length `length`, `stride` apart).
    static std::vector<std::vector<std::size_t>> partition(const std::vector<std::size_t>& members,
                                                           const std::uint8_t* room,
                                                           std::size_t stride, std::size_t length);

    std::uint64_t size_;
    Limits limits_;
};

}  // namespace orvane::duplicates
