#include "core/photos/Thumbnail.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "engine/ImageHeader.h"
#include "engine/ImageSignature.h"
#include "kit/WholeFile.h"

namespace orvane::photos {

namespace {

constexpr std::uint64_t kMaxBytes = std::uint64_t{1} << 30;

bool readFile(const std::string& path, std::string& bytes, std::size_t limit = 0) {
    kit::WholeFile file =
        limit ? kit::readFileStart(path, limit) : kit::readWholeFile(path, kMaxBytes);
    if (!file) return false;
    bytes = std::move(file.bytes);
    return true;
}

}  // namespace

std::shared_ptr<const Thumbnail> makeThumbnail(const std::string& path, int maxWidth,
                                               int maxHeight) {
    std::string bytes;
    if (maxWidth <= 0 || maxHeight <= 0 || !readFile(path, bytes)) return nullptr;
    const auto header = engine::readImageHeader(bytes);
    if (!header || header->pixels() > engine::kMaxImagePixels) return nullptr;
    try {
        // Decode no larger than needed: libjpeg scales by 1/2, 1/4 or 1/8 for free.
        int flag = cv::IMREAD_COLOR;
        if (header->format == engine::ImageFormat::jpeg) {
            const double ratio =
                std::min(double(header->width) / maxWidth, double(header->height) / maxHeight);
            flag = ratio >= 8   ? cv::IMREAD_REDUCED_COLOR_8
                   : ratio >= 4 ? cv::IMREAD_REDUCED_COLOR_4
                   : ratio >= 2 ? cv::IMREAD_REDUCED_COLOR_2
                                : cv::IMREAD_COLOR;
        }
        const cv::Mat raw(1, static_cast<int>(bytes.size()), CV_8U, bytes.data());
        const cv::Mat image = cv::imdecode(raw, flag);
        if (image.empty()) return nullptr;
        const double f =
            std::min({1.0, double(maxWidth) / image.cols, double(maxHeight) / image.rows});
        cv::Mat small;
        cv::resize(image, small,
                   cv::Size(std::max(1, int(image.cols * f + 0.5)),
                            std::max(1, int(image.rows * f + 0.5))),
                   0, 0, cv::INTER_AREA);
        cv::Mat rgb;
        cv::cvtColor(small, rgb, cv::COLOR_BGR2RGB);
        auto t = std::make_shared<Thumbnail>();
        t->width = rgb.cols;
        t->height = rgb.rows;
        t->rgb.resize(static_cast<std::size_t>(rgb.cols) * rgb.rows * 3);
        for (int y = 0; y < rgb.rows; ++y)
            std::memcpy(t->rgb.data() + static_cast<std::size_t>(y) * rgb.cols * 3, rgb.ptr(y),
                        static_cast<std::size_t>(rgb.cols) * 3);
        return t;
    } catch (const cv::Exception&) {
        return nullptr;
    }
}

bool imageDimensions(const std::string& path, std::uint32_t& width, std::uint32_t& height) {
    std::string bytes;
    // Headers sit at the start; 256 KB covers JPEGs with large embedded previews before the frame.
    if (!readFile(path, bytes, 256 * 1024)) return false;
    const auto header = engine::readImageHeader(bytes);
    if (!header) return false;
    width = header->width;
    height = header->height;
    return true;
}

}  // namespace orvane::photos
