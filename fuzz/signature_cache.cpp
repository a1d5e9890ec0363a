// Any bytes in place of the signature cache file: refused whole or accepted, and what is
// accepted writes back to the very same bytes (so a cache never drifts from load to save).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "RecordChecksum.h"
#include "engine/HashCache.h"

namespace {

void check(std::string_view bytes) {
    orvane::engine::HashCache cache("");
    std::string error;
    if (!cache.parse(bytes, &error)) {
        if (error.empty() || cache.size() != 0) std::abort();
        return;
    }
    orvane::engine::HashCache again("");
    if (!again.parse(cache.serialise()) || again.size() != cache.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    check(bytes);
    if (size >= 8) check(withChecksumMadeRight(bytes));
    return 0;
}
