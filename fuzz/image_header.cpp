// Any bytes named like a picture: the header reader must refuse or accept them without a crash
// or a read past the end, and whatever it accepts must keep its promises (non-zero dimensions
// within the range it allows).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/ImageHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto header = orvane::engine::readImageHeader(bytes)) {
        if (header->width == 0 || header->height == 0) std::abort();
        if (header->width > 0xFFFFFF || header->height > 0xFFFFFF) std::abort();
    }
    return 0;
}
