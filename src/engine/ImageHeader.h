#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orvane::engine {

enum class ImageFormat : std::uint8_t {
    jpeg,
    png,
    bmp,
    webp,
    pnm,
    tiff,
    sunRaster,
    radiance,
    jpeg2000,
    openExr
};

// What an image file says about itself before any pixel is decoded.
struct ImageHeader {
    ImageFormat format = ImageFormat::jpeg;
    std::uint32_t width = 0;
    std::uint32_t height = 0;

    std::uint64_t pixels() const { return std::uint64_t{width} * height; }
};

// Reads the format and the dimensions from the first bytes of a file, trusting nothing: the
// format comes from the signature, never from the name, and any truncated, contradictory or
// unknown header gives nothing. Decoding is refused for what this cannot read, so a file whose
// size would only be known after decoding (a decompression bomb) never reaches a decoder.
std::optional<ImageHeader> readImageHeader(std::string_view bytes);

}  // namespace orvane::engine
