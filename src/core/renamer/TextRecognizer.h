#pragma once

#include <string>
#include <string_view>

namespace orvane::renamer {

// Text recognition with Tesseract: English always, plus every other language of the renamer's
// list whose recognition data is installed. Each call uses its own engine, so calls from
// several threads do not meet.
class TextRecognizer {
public:
    // The Tesseract language string in use ("eng", "eng+deu+fra", ...); empty when no engine
    // could be started.
    static std::string languages();

    // Text of an 8-bit grey image. Empty with `error` set when the engine failed.
    static std::string recognizeGray(const unsigned char* pixels, int width, int height,
                                     int bytesPerLine, int dotsPerInch, std::string& error);
    // Text of an encoded image (PNG, JPEG, WebP, TIFF, BMP, GIF). Images of more than
    // kMaxPixels are refused before they are decoded.
    static std::string recognizeEncoded(std::string_view bytes, std::string& error);

    static constexpr long long kMaxPixels = 60'000'000;
};

}  // namespace orvane::renamer
