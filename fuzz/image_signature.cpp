// Any bytes handed to the decoder path: a header check, then OpenCV's decoders at a reduced
// scale. No crash, no unbounded allocation (the pixel limit), and an error for what fails.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/ImageSignature.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto result = orvane::engine::computeSignature(bytes);
    if (!result.signature && result.error.empty()) std::abort();
    if (result.signature) {
        const double s = orvane::engine::similarity(*result.signature, *result.signature);
        if (s != 100) std::abort();
    }
    return 0;
}
