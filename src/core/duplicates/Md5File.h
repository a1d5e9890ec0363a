#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::duplicates {

using Md5Digest = std::array<std::uint8_t, 16>;
using Sha256Digest = std::array<std::uint8_t, 32>;

// What files read in chunks are grouped by. MD5 is the digest the results are known by, but two
// different files with one MD5 can be made on purpose; SHA-256 of the same bytes, computed in the
// same pass, keeps such a pair apart without reading anything twice.
struct ContentDigest {
    Md5Digest md5{};
    Sha256Digest sha256{};
    auto operator<=>(const ContentDigest&) const = default;
};

// 32 lower-case hex digits.
std::string digestString(const Md5Digest& digest);

// The MD5 of a file's whole content as lower-case hex, read in 1 MiB chunks; "0" without
// opening anything when `size` is 0; nothing when the file cannot be opened. `ratio` asks for a
// leading fraction only, and is not honoured: a digest of part of a file would let files that
// differ after that part pass as copies, and the result screens offer copies for removal.
std::optional<std::string> md5File(const std::string& path, std::int64_t size, double ratio = 0);

// The readers the hashing stage uses. Each checks that the file still has exactly the size the
// scan saw: a file that grew, shrank or is not a regular file any more yields nothing, so no
// group can hold files of different lengths. Buffers are per thread and reused.
class ContentReader {
public:
    // Files up to this size are digested in one read; above it they are first sampled.
    static constexpr std::uint64_t kWholeReadLimit = 16 * 1024;
    static constexpr std::uint64_t kSampleBlock = 4096;

    // On this thread, from now on: open only files the page cache holds whole, and fail the
    // others as if they would wait for the disk (wouldHaveBlocked() then says so). Clears the
    // note.
    static void setCachedOnly(bool cachedOnly);
    static bool wouldHaveBlocked();

    // Opens a file for the readers below; -1 (logged) when it cannot be opened.
    static int open(const std::string& path);
    // The same for a file the scan saw as a regular file of `size` bytes on `device`/`inode`:
    // -1 also when the name now leads to another file or one of another size, so a name
    // replaced since the scan is never compared in place of the file it had.
    static int open(const std::string& path, std::uint64_t device, std::uint64_t inode,
                    std::uint64_t size);

    // MD5 and SHA-256 of exactly `size` bytes, read from the current offset of `fd` (or from
    // `path`). `stop` is asked between chunks, so a stop ends even the read of a huge file at
    // once; a stopped read yields nothing.
    static std::optional<ContentDigest> digest(int fd, std::uint64_t size,
                                               const std::function<bool()>& stop = {});
    static std::optional<ContentDigest> digest(const std::string& path, std::uint64_t size,
                                               const std::function<bool()>& stop = {});
    // The same from offset 0 of `fd`, whatever its current offset.
    static std::optional<ContentDigest> digestAt(int fd, std::uint64_t size,
                                                 const std::function<bool()>& stop = {});
    // Reads the whole file into `into` (its capacity is reused); false unless it has exactly
    // `size` bytes.
    static bool readWhole(int fd, std::uint64_t size, std::vector<std::uint8_t>& into);
    static bool readWhole(const std::string& path, std::uint64_t size,
                          std::vector<std::uint8_t>& into);
    // The same into caller-owned room of at least size + 1 bytes.
    static bool readWhole(int fd, std::uint64_t size, std::uint8_t* into);
    static Md5Digest md5(const std::uint8_t* bytes, std::size_t length);
    // Exactly `length` bytes from `offset`; false when fewer are there or the read fails.
    static bool readAt(int fd, std::uint64_t offset, std::uint8_t* into, std::size_t length);
    // True when the file has nothing past `size` bytes.
    static bool endsAt(int fd, std::uint64_t size);
    // A cheap fingerprint of the first, middle and last 4 KiB, to split candidates whose
    // contents differ there before anything is read whole. Leaves the offset of `fd` alone.
    static std::optional<std::uint64_t> sample(int fd, std::uint64_t size);
    static std::optional<std::uint64_t> sample(const std::string& path, std::uint64_t size);
};

}  // namespace orvane::duplicates
