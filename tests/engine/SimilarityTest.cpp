#include <gtest/gtest.h>

#include <bit>
#include <map>
#include <opencv2/imgcodecs.hpp>
#include <random>
#include <set>

#include "engine/ImageSignature.h"
#include "engine/SimilarGroups.h"
#include "support/PhotoScenes.h"

using namespace orvane::engine;
using namespace orvane::testing;

namespace {

ImageSignature signatureOf(const cv::Mat& img, const std::string& ext = ".jpg", int quality = 90) {
    std::vector<uchar> buf;
    cv::imencode(ext, img, buf, {cv::IMWRITE_JPEG_QUALITY, quality});
    auto result =
        computeSignature(std::string_view(reinterpret_cast<char*>(buf.data()), buf.size()));
    EXPECT_TRUE(result.signature) << result.error;
    return result.signature.value_or(ImageSignature{});
}

// The copies a photo library collects, each a different kind of change.
struct Album {
    std::vector<ImageSignature> signatures;
    std::vector<int> planted;  // group of each signature; -1 for a picture with no copy
};

Album makeAlbum(int bases, std::uint64_t seed) {
    cv::RNG rng(seed);
    Album album;
    for (int b = 0; b < bases; ++b) {
        const SceneTemplate t = sceneTemplate(rng);
        const cv::Mat original = scene(rng, 640, 480, t);
        album.signatures.push_back(signatureOf(original));
        album.planted.push_back(b);
        switch (b % 5) {
            case 0: album.signatures.push_back(signatureOf(resized(original, 0.45))); break;
            case 1: album.signatures.push_back(signatureOf(original, ".jpg", 35)); break;
            case 2: album.signatures.push_back(signatureOf(cropped(original, 0.06))); break;
            case 3: album.signatures.push_back(signatureOf(brighter(original, 1.1))); break;
            default: album.signatures.push_back(signatureOf(original, ".png")); break;
        }
        album.planted.push_back(b);
        // The same place, another picture: must stay apart.
        album.signatures.push_back(signatureOf(scene(rng, 640, 480, t)));
        album.planted.push_back(-1);
    }
    return album;
}

std::vector<const ImageSignature*> pointers(const std::vector<ImageSignature>& v) {
    std::vector<const ImageSignature*> out;
    for (const auto& s : v) out.push_back(&s);
    return out;
}

}  // namespace

TEST(Similarity, NearCopiesScoreHighLookAlikesLow) {
    cv::RNG rng(11);
    const SceneTemplate t = sceneTemplate(rng);
    const cv::Mat original = scene(rng, 800, 600, t);
    const ImageSignature base = signatureOf(original);
    EXPECT_GE(similarity(base, signatureOf(resized(original, 0.4))), 95);
    EXPECT_GE(similarity(base, signatureOf(original, ".jpg", 30)), 95);
    EXPECT_GE(similarity(base, signatureOf(cropped(original, 0.07))), 90);
    EXPECT_GE(similarity(base, signatureOf(brighter(original, 0.9))), 95);
    EXPECT_GE(similarity(base, signatureOf(original, ".png")), 95);
    EXPECT_LT(similarity(base, signatureOf(scene(rng, 800, 600, t))), 85);
    EXPECT_LT(similarity(base, signatureOf(scene(rng, 800, 600))), 85);
    // Symmetric, and a picture is identical to itself.
    const ImageSignature crop = signatureOf(cropped(original, 0.05));
    EXPECT_DOUBLE_EQ(similarity(base, crop), similarity(crop, base));
    EXPECT_DOUBLE_EQ(similarity(base, base), 100);
}

TEST(Similarity, FlatPicturesCompareByColour) {
    const cv::Mat grey(300, 400, CV_8UC3, cv::Scalar(128, 128, 128));
    const cv::Mat alsoGrey(200, 300, CV_8UC3, cv::Scalar(130, 129, 128));
    const cv::Mat red(300, 400, CV_8UC3, cv::Scalar(0, 0, 250));
    EXPECT_GE(similarity(signatureOf(grey, ".png"), signatureOf(alsoGrey, ".png")), 90);
    EXPECT_LT(similarity(signatureOf(grey, ".png"), signatureOf(red, ".png")), 20);
    cv::RNG rng(3);
    EXPECT_LT(similarity(signatureOf(grey, ".png"), signatureOf(scene(rng))), 20);
}

TEST(SimilarGroups, FindsEveryPlantedCopyAndNoLookAlike) {
    const Album album = makeAlbum(15, 21);
    const auto groups = findSimilarGroups(pointers(album.signatures), 85);
    std::set<std::vector<std::size_t>> expected;
    for (std::size_t i = 0; i < album.planted.size(); ++i) {
        if (album.planted[i] < 0) continue;
        std::vector<std::size_t> g;
        for (std::size_t j = 0; j < album.planted.size(); ++j)
            if (album.planted[j] == album.planted[i]) g.push_back(j);
        expected.insert(g);
    }
    EXPECT_EQ(std::set<std::vector<std::size_t>>(groups.begin(), groups.end()), expected);
}

TEST(SimilarGroups, IndexFindsExactlyWhatComparingAllPairsFinds) {
    // Random hashes around a few centres, with thumbnails that make every hash-near pair similar:
    // then the groups are the components of "hashes within the radius", which all-pairs can
    // compute directly.
    std::mt19937_64 gen(5);
    std::vector<ImageSignature> sigs(400);
    for (std::size_t i = 0; i < sigs.size(); ++i) {
        auto& s = sigs[i];
        const std::uint64_t centre = (i % 40 == 0) ? gen() : sigs[i - i % 40].hashes[0];
        for (int z = 0; z < kZoomCount; ++z) {
            std::uint64_t h = centre;
            const int flips = static_cast<int>(gen() % 14);
            for (int f = 0; f < flips; ++f) h ^= std::uint64_t{1} << (gen() % 64);
            s.hashes[z] = h;
            for (int k = 0; k < kThumbBytes; ++k)
                s.thumbs[z][k] = static_cast<std::uint8_t>(k * 7 % 251);
        }
    }
    const auto ptrs = pointers(sigs);
    for (const double threshold : {90.0, 75.0, 50.0}) {
        const int r = candidateRadius(threshold);
        std::vector<std::size_t> parent(sigs.size());
        for (std::size_t i = 0; i < parent.size(); ++i) parent[i] = i;
        const auto find = [&](std::size_t x) {
            while (parent[x] != x) x = parent[x];
            return x;
        };
        for (std::size_t i = 0; i < sigs.size(); ++i)
            for (std::size_t j = i + 1; j < sigs.size(); ++j) {
                bool near = false;
                for (int z = 0; z < kZoomCount; ++z) {
                    near = near || std::popcount(sigs[i].hashes[z] ^ sigs[j].hashes[0]) <= r;
                    near = near || std::popcount(sigs[i].hashes[0] ^ sigs[j].hashes[z]) <= r;
                }
                if (near) parent[std::max(find(i), find(j))] = std::min(find(i), find(j));
            }
        std::map<std::size_t, std::vector<std::size_t>> byRoot;
        for (std::size_t i = 0; i < sigs.size(); ++i) byRoot[find(i)].push_back(i);
        std::set<std::vector<std::size_t>> expected;
        for (auto& [root, members] : byRoot)
            if (members.size() > 1) expected.insert(members);
        const auto groups = findSimilarGroups(ptrs, threshold, nullptr, nullptr, 2);
        EXPECT_EQ(std::set<std::vector<std::size_t>>(groups.begin(), groups.end()), expected)
            << "threshold " << threshold;
    }
}

TEST(SimilarGroups, ThresholdHundredKeepsOnlyIdenticalPictures) {
    cv::RNG rng(31);
    const cv::Mat original = scene(rng);
    std::vector<ImageSignature> sigs = {signatureOf(original, ".png"),
                                        signatureOf(original, ".png"),
                                        signatureOf(cropped(original, 0.06))};
    const auto groups = findSimilarGroups(pointers(sigs), 100);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0], (std::vector<std::size_t>{0, 1}));
}

TEST(SimilarGroups, StopEndsTheSearchEarlyAndProgressReachesOne) {
    const Album album = makeAlbum(4, 41);
    std::atomic<bool> stop{true};
    EXPECT_TRUE(findSimilarGroups(pointers(album.signatures), 85, &stop).empty());
    double last = 0;
    findSimilarGroups(pointers(album.signatures), 85, nullptr, [&](double f) { last = f; });
    EXPECT_DOUBLE_EQ(last, 1.0);
}
