#include <gtest/gtest.h>

#include "engine/HashCache.h"
#include "support/TempTree.h"

using namespace orvane::engine;

namespace {

ImageSignature sample(std::uint8_t seed) {
    ImageSignature s;
    s.width = 4000 + seed;
    s.height = 3000;
    for (int z = 0; z < kZoomCount; ++z) {
        s.hashes[z] = 0x0123456789ABCDEFull * (seed + z + 1);
        for (int k = 0; k < kThumbBytes; ++k)
            s.thumbs[z][k] = static_cast<std::uint8_t>(seed + k + z);
    }
    return s;
}

bool same(const ImageSignature& a, const ImageSignature& b) {
    return a.width == b.width && a.height == b.height && a.hashes == b.hashes &&
           a.thumbs == b.thumbs;
}

}  // namespace

TEST(HashCache, SignaturesAndFailuresSurviveARoundTrip) {
    orvane::testing::TempTree tree;
    const std::string path = tree.path("cache/sub/photo-signatures");
    {
        HashCache cache(path);
        cache.store({1, 10, 100, 1000}, sample(1));
        cache.store({1, 11, 200, 2000}, std::nullopt);
        ASSERT_TRUE(cache.save());
    }
    HashCache cache(path);
    ASSERT_TRUE(cache.load());
    EXPECT_EQ(cache.size(), 2u);
    const auto hit = cache.find({1, 10, 100, 1000});
    ASSERT_TRUE(hit && *hit);
    EXPECT_TRUE(same(**hit, sample(1)));
    const auto failed = cache.find({1, 11, 200, 2000});
    ASSERT_TRUE(failed);
    EXPECT_FALSE(*failed);
}

TEST(HashCache, ChangedSizeOrTimeMissesAndTheNewEntryReplacesTheOld) {
    HashCache cache("");
    cache.store({1, 10, 100, 1000}, sample(1));
    EXPECT_FALSE(cache.find({1, 10, 101, 1000}));
    EXPECT_FALSE(cache.find({1, 10, 100, 1001}));
    EXPECT_FALSE(cache.find({2, 10, 100, 1000}));
    cache.store({1, 10, 101, 1001}, sample(2));
    EXPECT_FALSE(cache.find({1, 10, 100, 1000}));
    EXPECT_TRUE(same(**cache.find({1, 10, 101, 1001}), sample(2)));
    EXPECT_EQ(cache.size(), 1u);
}

TEST(HashCache, DamagedFilesAreRefusedWholeAndLeaveTheCacheEmpty) {
    HashCache good("");
    good.store({1, 10, 100, 1000}, sample(1));
    good.store({1, 12, 100, 1000}, sample(3));
    const std::string bytes = good.serialise();
    // Every truncation and every single-byte change in the fixed part.
    for (std::size_t n = 0; n < bytes.size(); n += (n < 64 ? 1 : 97)) {
        HashCache c("");
        std::string error;
        EXPECT_FALSE(c.parse(std::string_view(bytes).substr(0, n), &error)) << n;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(c.size(), 0u);
    }
    std::string wrongCount = bytes;
    wrongCount[26] = 7;
    HashCache c("");
    EXPECT_FALSE(c.parse(wrongCount));
    EXPECT_FALSE(c.parse("ORVANE-PHOTO-SIGNATURES-1\n"));
    std::string flipped = bytes;
    flipped[bytes.size() / 2] ^= 0x01;
    EXPECT_FALSE(c.parse(flipped)) << "a changed signature byte fails the checksum";
    EXPECT_TRUE(c.parse(bytes));
    EXPECT_EQ(c.size(), 2u);
}

TEST(HashCache, MissingFileLoadsNothingAndALinkIsNotFollowed) {
    orvane::testing::TempTree tree;
    HashCache missing(tree.path("none"));
    std::string error;
    EXPECT_TRUE(missing.load(&error)) << "no cache yet is no error";
    EXPECT_EQ(missing.size(), 0u);
    HashCache good(tree.path("real"));
    good.store({1, 1, 1, 1}, sample(1));
    ASSERT_TRUE(good.save());
    tree.symlink(tree.path("real"), "link");
    HashCache viaLink(tree.path("link"));
    EXPECT_FALSE(viaLink.load());
}
