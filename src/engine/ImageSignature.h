#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::engine {

// The views of a picture compared at several framings, so a copy cropped by a few percent
// still meets its original: zoom 0 is the whole picture, the others its centre.
inline constexpr int kZoomCount = 4;
inline constexpr std::array<double, kZoomCount> kZooms = {1.0, 1.05, 1.10, 1.15};
inline constexpr int kThumbSide = 16;
inline constexpr int kThumbBytes = kThumbSide * kThumbSide * 3;

// What the comparison keeps of one image: a 64-bit DCT hash per framing to find candidates
// quickly, and a small colour thumbnail per framing to decide.
struct ImageSignature {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::array<std::uint64_t, kZoomCount> hashes{};
    std::array<std::array<std::uint8_t, kThumbBytes>, kZoomCount> thumbs{};
};

// Decoding refuses pictures above this many pixels: a small file can claim an enormous canvas.
inline constexpr std::uint64_t kMaxImagePixels = 200'000'000;

struct SignatureResult {
    std::optional<ImageSignature> signature;
    std::string error;  // why not, when there is no signature
};

// Decodes the bytes of an image file (JPEG at a reduced scale straight from the DCT) and
// computes its signature. Never throws; a file that is not a readable image gives an error.
SignatureResult computeSignature(std::string_view bytes);

// Similarity of two signatures in percent, 0..100: the correlation of their colour thumbnails
// with brightness and contrast normalised, the best over the framings.
double similarity(const ImageSignature& a, const ImageSignature& b);

}  // namespace orvane::engine
