// Any bytes in place of the duplicate scan cache: refused whole with a reason, or accepted, and
// what is accepted writes back to the very same bytes and answers lookups without harm.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/duplicates/ScanCache.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    orvane::duplicates::ScanCache cache("");
    std::string error;
    if (!cache.parse(bytes, &error)) {
        if (error.empty() || cache.size() != 0) std::abort();
        return 0;
    }
    orvane::duplicates::FileStamp stamp;
    if (size >= 16) stamp.inode = data[8];
    (void)cache.sample(stamp);
    (void)cache.contentClass(stamp);
    if (cache.serialise() != bytes) std::abort();
    return 0;
}
