#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvane::photos {

// A small picture for a result row: 8-bit RGB rows, tightly packed.
struct Thumbnail {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    bool empty() const { return width <= 0 || height <= 0 || rgb.empty(); }
};

// A thumbnail of the image file fitting in `maxWidth` × `maxHeight` pixels (aspect kept), made
// with reduced-size decoding; nothing for a file that is not a readable image or too large.
std::shared_ptr<const Thumbnail> makeThumbnail(const std::string& path, int maxWidth,
                                               int maxHeight);

// Width and height of the image as stored, read from its header alone; nothing when unreadable.
bool imageDimensions(const std::string& path, std::uint32_t& width, std::uint32_t& height);

}  // namespace orvane::photos
