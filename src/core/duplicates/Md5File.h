#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::duplicates {

using Md5Digest = std::array<std::uint8_t, 16>;

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

    // MD5 of exactly `size` bytes.
    static std::optional<Md5Digest> digest(const std::string& path, std::uint64_t size);
    // A cheap fingerprint of the first, middle and last 4 KiB, to split candidates whose
    // contents differ there before anything is read whole.
    static std::optional<std::uint64_t> sample(const std::string& path, std::uint64_t size);
};

}  // namespace orvane::duplicates
