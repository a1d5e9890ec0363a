// Any bytes in place of the duplicate scan cache: refused whole with a reason, or accepted, and
// what is accepted writes back to the very same bytes and answers lookups without harm. The
// checksum would turn away nearly every mutation before the records are looked at, so each input
// is also tried with its checksum made right.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "RecordChecksum.h"
#include "core/duplicates/ScanCache.h"

namespace {

void check(std::string_view bytes) {
    orvane::duplicates::ScanCache cache("");
    std::string error;
    if (!cache.parse(bytes, &error)) {
        if (error.empty() || cache.size() != 0) std::abort();
        return;
    }
    orvane::duplicates::FileStamp stamp;
    if (bytes.size() > 40) stamp.inode = static_cast<unsigned char>(bytes[40]);
    const auto sample = cache.sample(stamp);
    const auto cls = cache.contentClass(stamp);
    // Many lookups at once answer as one alone does.
    const std::vector<orvane::duplicates::FileStamp> stamps(20, stamp);
    std::vector<orvane::duplicates::ScanCache::Recall> recalled(stamps.size());
    cache.recall(stamps, recalled);
    for (const auto& r : recalled)
        if (r.knownSample() != sample || r.knownClass() != cls) std::abort();
    if (cache.serialise() != bytes) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    check(bytes);
    if (size >= 8) check(withChecksumMadeRight(bytes));
    return 0;
}
