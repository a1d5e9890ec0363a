#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include "engine/ImageHeader.h"
#include "engine/ImageSignature.h"
#include "support/PhotoScenes.h"

using namespace orvane::engine;

namespace {

std::string encode(const std::string& ext, const cv::Mat& img) {
    std::vector<uchar> buf;
    if (!cv::imencode(ext, img, buf)) return {};
    return std::string(buf.begin(), buf.end());
}

std::string be32(std::uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

}  // namespace

TEST(ImageHeader, ReadsDimensionsOfEveryFormatOpenCvWrites) {
    cv::RNG rng(7);
    const cv::Mat img = orvane::testing::scene(rng, 123, 77);
    const std::vector<std::pair<std::string, ImageFormat>> formats = {
        {".jpg", ImageFormat::jpeg},      {".png", ImageFormat::png},
        {".bmp", ImageFormat::bmp},       {".webp", ImageFormat::webp},
        {".ppm", ImageFormat::pnm},       {".pgm", ImageFormat::pnm},
        {".pbm", ImageFormat::pnm},       {".tif", ImageFormat::tiff},
        {".ras", ImageFormat::sunRaster}, {".hdr", ImageFormat::radiance},
        {".jp2", ImageFormat::jpeg2000},
    };
    for (const auto& [ext, format] : formats) {
        cv::Mat input = img;
        if (ext == ".pgm" || ext == ".pbm") cv::cvtColor(img, input, cv::COLOR_BGR2GRAY);
        const std::string bytes = encode(ext, input);
        if (bytes.empty()) continue;  // encoder not built into this OpenCV
        const auto header = readImageHeader(bytes);
        ASSERT_TRUE(header) << ext;
        EXPECT_EQ(header->format, format) << ext;
        EXPECT_EQ(header->width, 123u) << ext;
        EXPECT_EQ(header->height, 77u) << ext;
    }
}

TEST(ImageHeader, EveryTruncationOfARealHeaderIsRefusedOrExact) {
    cv::RNG rng(8);
    const cv::Mat img = orvane::testing::scene(rng, 64, 48);
    for (const std::string ext :
         {".jpg", ".png", ".bmp", ".webp", ".tif", ".ppm", ".jp2", ".hdr"}) {
        const std::string bytes = encode(ext, img);
        if (bytes.empty()) continue;
        for (std::size_t n = 0; n < std::min<std::size_t>(bytes.size(), 700); ++n) {
            const auto header = readImageHeader(std::string_view(bytes).substr(0, n));
            if (header) {
                EXPECT_EQ(header->width, 64u) << ext << " cut at " << n;
                EXPECT_EQ(header->height, 48u) << ext << " cut at " << n;
            }
        }
    }
}

TEST(ImageHeader, NamesAndGarbageAreNotImages) {
    EXPECT_FALSE(readImageHeader(""));
    EXPECT_FALSE(readImageHeader("hello, I am a text file named photo.jpg\n"));
    EXPECT_FALSE(readImageHeader(std::string("\xFF\xD8\xFF\xD9", 4)));  // JPEG without a frame
    EXPECT_FALSE(readImageHeader(std::string("\xFF\xD8\xFF\xC0\x00\x01", 6)));  // bad length
    EXPECT_FALSE(readImageHeader("P6\n# only a comment"));
    EXPECT_FALSE(readImageHeader("P6 99999999999 2 255\n"));
}

TEST(ImageHeader, ZeroAndAbsurdDimensionsAreRefused) {
    std::string png("\x89PNG\r\n\x1a\n", 8);
    png += be32(13) + "IHDR" + be32(0) + be32(10) + std::string(5, '\0');
    EXPECT_FALSE(readImageHeader(png));
    png = std::string("\x89PNG\r\n\x1a\n", 8) + be32(13) + "IHDR" + be32(0x7FFFFFFF) + be32(10);
    png += std::string(5, '\0');
    EXPECT_FALSE(readImageHeader(png));
}

TEST(ImageSignature, DecompressionBombIsRefusedBeforeDecoding) {
    // A valid PNG header claiming 30,000 x 30,000 pixels on a few dozen bytes.
    std::string png("\x89PNG\r\n\x1a\n", 8);
    png += be32(13) + "IHDR" + be32(30000) + be32(30000) + std::string("\x08\x02\0\0\0", 5);
    png += be32(0) + be32(0) + "IDAT" + be32(0);
    const auto result = computeSignature(png);
    EXPECT_FALSE(result.signature);
    EXPECT_NE(result.error.find("larger than allowed"), std::string::npos) << result.error;
}

TEST(ImageSignature, DamagedImagesGiveAReasonNotACrash) {
    cv::RNG rng(9);
    const cv::Mat img = orvane::testing::scene(rng, 320, 240);
    for (const std::string ext : {".jpg", ".png", ".webp", ".tif"}) {
        std::string bytes = encode(ext, img);
        if (bytes.empty()) continue;
        // Cut in half, and with the middle overwritten.
        const auto half = computeSignature(std::string_view(bytes).substr(0, bytes.size() / 2));
        if (!half.signature) {
            EXPECT_FALSE(half.error.empty());
        }
        for (std::size_t i = bytes.size() / 3; i < bytes.size() * 2 / 3; ++i)
            bytes[i] = char(i * 31);
        const auto smashed = computeSignature(bytes);
        if (!smashed.signature) {
            EXPECT_FALSE(smashed.error.empty());
        }
    }
    EXPECT_EQ(computeSignature("not an image").error, "not an image this program can read");
}
