// Any bytes in place of the signature cache file: refused whole or accepted, and what is
// accepted writes back to the very same bytes (so a cache never drifts from load to save).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/HashCache.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    orvane::engine::HashCache cache("");
    std::string error;
    if (!cache.parse(bytes, &error)) {
        if (error.empty() || cache.size() != 0) std::abort();
        return 0;
    }
    orvane::engine::HashCache again("");
    if (!again.parse(cache.serialise()) || again.size() != cache.size()) std::abort();
    return 0;
}
