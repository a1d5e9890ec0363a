#pragma once

// Photographs for tests: smooth random scenes (a sky and a ground colour, a horizon, soft
// coloured blobs, fine grain) and the near copies people keep by accident.

#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

namespace orvane::testing {

struct SceneTemplate {
    cv::Vec3f sky, ground;
    double horizon = 0.5;
};

inline SceneTemplate sceneTemplate(cv::RNG& rng) {
    SceneTemplate t;
    for (int c = 0; c < 3; ++c) {
        t.sky[c] = static_cast<float>(rng.uniform(0, 256));
        t.ground[c] = static_cast<float>(rng.uniform(0, 256));
    }
    t.horizon = rng.uniform(0.3, 0.7);
    return t;
}

inline cv::Mat scene(cv::RNG& rng, int w, int h, const SceneTemplate& t) {
    cv::Mat img(h, w, CV_32FC3);
    for (int y = 0; y < h; ++y)
        img.row(y).setTo(y < t.horizon * h ? cv::Scalar(t.sky) : cv::Scalar(t.ground));
    const int blobs = rng.uniform(4, 9);
    for (int b = 0; b < blobs; ++b) {
        const double cx = rng.uniform(0.0, double(w)), cy = rng.uniform(0.0, double(h));
        const double r = rng.uniform(0.05, 0.3) * std::min(w, h);
        const cv::Vec3f colour(rng.uniform(0, 256), rng.uniform(0, 256), rng.uniform(0, 256));
        for (int y = 0; y < h; ++y) {
            auto* row = img.ptr<cv::Vec3f>(y);
            for (int x = 0; x < w; ++x) {
                const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
                const float a = static_cast<float>(std::exp(-d2 / (2 * r * r)));
                row[x] = row[x] * (1 - a) + colour * a;
            }
        }
    }
    cv::Mat grain(h / 4 + 1, w / 4 + 1, CV_32FC3);
    rng.fill(grain, cv::RNG::NORMAL, 0, 6);
    cv::Mat big;
    cv::resize(grain, big, cv::Size(w, h), 0, 0, cv::INTER_NEAREST);
    img += big;
    cv::Mat out;
    img.convertTo(out, CV_8UC3);
    return out;
}

inline cv::Mat scene(cv::RNG& rng, int w = 640, int h = 480) {
    return scene(rng, w, h, sceneTemplate(rng));
}

inline cv::Mat resized(const cv::Mat& img, double f) {
    cv::Mat out;
    cv::resize(img, out, cv::Size(), f, f, cv::INTER_AREA);
    return out;
}

inline cv::Mat cropped(const cv::Mat& img, double margin) {
    const int dx = static_cast<int>(img.cols * margin), dy = static_cast<int>(img.rows * margin);
    return img(cv::Rect(dx, dy, img.cols - 2 * dx, img.rows - 2 * dy)).clone();
}

inline cv::Mat brighter(const cv::Mat& img, double f) {
    cv::Mat out;
    img.convertTo(out, -1, f, 0);
    return out;
}

// JPEG bytes whatever the file is called.
inline std::string jpegBytes(const cv::Mat& img, int quality = 90) {
    std::vector<uchar> buf;
    cv::imencode(".jpg", img, buf, {cv::IMWRITE_JPEG_QUALITY, quality});
    return std::string(buf.begin(), buf.end());
}

}  // namespace orvane::testing
