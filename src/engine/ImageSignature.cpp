#include "engine/ImageSignature.h"

#include <cmath>
#include <cstring>
#include <opencv2/core.hpp>
#include <opencv2/img_hash.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "engine/ImageHeader.h"

namespace orvane::engine {

namespace {

// The DCT scaling of libjpeg costs nothing extra and gives the same hash: decode at the
// largest reduction that still leaves the short side 128 pixels or more.
int reducedFlag(const ImageHeader& header) {
    const std::uint32_t shortSide = std::min(header.width, header.height);
    if (header.format != ImageFormat::jpeg) return cv::IMREAD_COLOR;
    if (shortSide >= 1024) return cv::IMREAD_REDUCED_COLOR_8;
    if (shortSide >= 512) return cv::IMREAD_REDUCED_COLOR_4;
    if (shortSide >= 256) return cv::IMREAD_REDUCED_COLOR_2;
    return cv::IMREAD_COLOR;
}

cv::Mat centre(const cv::Mat& image, double zoom) {
    const int w = std::max(1, cvRound(image.cols / zoom));
    const int h = std::max(1, cvRound(image.rows / zoom));
    return image(cv::Rect((image.cols - w) / 2, (image.rows - h) / 2, w, h));
}

std::uint64_t dctHash(const cv::Mat& bgr) {
    thread_local cv::Ptr<cv::img_hash::PHash> hasher = cv::img_hash::PHash::create();
    cv::Mat gray, out;
    cv::cvtColor(bgr, gray, cv::COLOR_BGR2GRAY);
    hasher->compute(gray, out);
    std::uint64_t h = 0;
    for (int i = 0; i < out.cols && i < 8; ++i)
        h |= std::uint64_t{out.at<std::uint8_t>(0, i)} << (8 * i);
    return h;
}

struct Stats {
    double mean = 0;
    double deviation = 0;
};

Stats stats(const std::array<std::uint8_t, kThumbBytes>& t) {
    double sum = 0, squares = 0;
    for (const std::uint8_t v : t) {
        sum += v;
        squares += static_cast<double>(v) * v;
    }
    Stats s;
    s.mean = sum / kThumbBytes;
    s.deviation = std::sqrt(std::max(0.0, squares / kThumbBytes - s.mean * s.mean));
    return s;
}

// Below this spread a thumbnail is one flat colour, where correlation means nothing.
constexpr double kFlat = 2.0;

double correlation(const std::array<std::uint8_t, kThumbBytes>& a,
                   const std::array<std::uint8_t, kThumbBytes>& b) {
    const Stats sa = stats(a), sb = stats(b);
    if (sa.deviation < kFlat || sb.deviation < kFlat) {
        if (sa.deviation >= kFlat || sb.deviation >= kFlat) return 0;
        // Two flat pictures are alike when their colours are.
        double diff = 0;
        for (int i = 0; i < kThumbBytes; ++i) diff += std::abs(int{a[i]} - int{b[i]});
        return std::max(0.0, 1.0 - diff / kThumbBytes / 64.0);
    }
    double sum = 0;
    for (int i = 0; i < kThumbBytes; ++i) sum += (a[i] - sa.mean) * (b[i] - sb.mean);
    return sum / kThumbBytes / (sa.deviation * sb.deviation);
}

}  // namespace

SignatureResult computeSignature(std::string_view bytes) {
    SignatureResult result;
    const auto header = readImageHeader(bytes);
    if (!header) {
        result.error = "not an image this program can read";
        return result;
    }
    if (header->pixels() > kMaxImagePixels) {
        result.error = "image of " + std::to_string(header->width) + " x " +
                       std::to_string(header->height) + " pixels is larger than allowed";
        return result;
    }
    try {
        const cv::Mat raw(1, static_cast<int>(bytes.size()), CV_8U,
                          const_cast<char*>(bytes.data()));
        cv::Mat image = cv::imdecode(raw, reducedFlag(*header));
        if (image.empty() || image.cols < 1 || image.rows < 1) {
            result.error = "image data is damaged or truncated";
            return result;
        }
        // Everything below works on a small copy; large decodes (PNG, TIFF) shrink first.
        const int longSide = std::max(image.cols, image.rows);
        if (longSide > 512) {
            const double f = 512.0 / longSide;
            cv::Mat small;
            cv::resize(image, small, cv::Size(), f, f, cv::INTER_AREA);
            image = small;
        }
        ImageSignature s;
        s.width = header->width;
        s.height = header->height;
        for (int z = 0; z < kZoomCount; ++z) {
            const cv::Mat view = centre(image, kZooms[z]);
            s.hashes[z] = dctHash(view);
            cv::Mat thumb;
            cv::resize(view, thumb, cv::Size(kThumbSide, kThumbSide), 0, 0, cv::INTER_AREA);
            if (!thumb.isContinuous()) thumb = thumb.clone();
            std::memcpy(s.thumbs[z].data(), thumb.data, kThumbBytes);
        }
        result.signature = s;
    } catch (const cv::Exception& e) {
        result.error = std::string("image decoder failed: ") + e.what();
    } catch (const std::exception& e) {
        result.error = std::string("image decoder failed: ") + e.what();
    }
    return result;
}

double similarity(const ImageSignature& a, const ImageSignature& b) {
    double best = correlation(a.thumbs[0], b.thumbs[0]);
    for (int z = 1; z < kZoomCount; ++z) {
        best = std::max(best, correlation(a.thumbs[z], b.thumbs[0]));
        best = std::max(best, correlation(a.thumbs[0], b.thumbs[z]));
    }
    // Rounded so that a picture compared with itself scores exactly 100.
    return std::round(std::clamp(best, 0.0, 1.0) * 1e6) / 1e4;
}

}  // namespace orvane::engine
