#include <gtest/gtest.h>

#include <string>

#include "core/duplicates/Md5File.h"
#include "support/TempTree.h"

using namespace orvane::duplicates;
using orvane::testing::TempTree;

TEST(Md5File, DigestsWholeContentAsLowerCaseHex) {
    TempTree t;
    EXPECT_EQ(md5File(t.file("abc", "abc"), 3), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5File(t.file("e", ""), 1), "d41d8cd98f00b204e9800998ecf8427e");
    // Several 1 MiB chunks; the fraction is not honoured, the whole file counts.
    const auto big = t.fileOfSize("big", 3 * 1024 * 1024 + 17, 'a');
    EXPECT_EQ(md5File(big, 3 * 1024 * 1024 + 17, 0.12), md5File(big, 3 * 1024 * 1024 + 17, 0));
    EXPECT_EQ(md5File(big, 1, 0)->size(), 32u);
}

TEST(Md5File, SizeZeroNeedsNoFileAndMissingFilesHaveNoDigest) {
    TempTree t;
    EXPECT_EQ(md5File(t.file("nonempty", "data"), 0), "0");
    EXPECT_EQ(md5File(t.path("missing"), 0), "0");
    EXPECT_EQ(md5File(t.path("missing"), 10), std::nullopt);
}

TEST(ContentReader, DigestAgreesWithMd5FileAndRefusesFilesOfAnotherSize) {
    TempTree t;
    const std::string content(200000, 'q');
    const auto p = t.file("f", content);
    auto d = ContentReader::digest(p, content.size());
    ASSERT_TRUE(d);
    EXPECT_EQ(digestString(d->md5), *md5File(p, static_cast<std::int64_t>(content.size())));
    EXPECT_FALSE(ContentReader::digest(p, content.size() - 1));  // file is longer than expected
    EXPECT_FALSE(ContentReader::digest(p, content.size() + 1));  // file is shorter
    EXPECT_FALSE(ContentReader::digest(t.dir("d"), 10));         // not a regular file
    EXPECT_FALSE(ContentReader::digest(t.path("gone"), 10));
    const auto small = t.file("small", "tiny");
    EXPECT_TRUE(ContentReader::digest(small, 4));
    EXPECT_FALSE(ContentReader::digest(small, 3));
}

TEST(ContentReader, SampleSeesHeadMiddleAndTailButNotEverything) {
    TempTree t;
    const std::size_t n = 100000;
    std::string base(n, 'a');
    auto variant = [&](std::size_t at) {
        std::string s = base;
        s[at] ^= 0x55;
        return s;
    };
    const auto a = ContentReader::sample(t.file("a", base), n);
    ASSERT_TRUE(a);
    EXPECT_EQ(ContentReader::sample(t.file("copy", base), n), a);
    EXPECT_NE(ContentReader::sample(t.file("head", variant(0)), n), a);
    EXPECT_NE(ContentReader::sample(t.file("mid", variant(n / 2)), n), a);
    EXPECT_NE(ContentReader::sample(t.file("tail", variant(n - 1)), n), a);
    // Outside the sampled blocks the sample cannot tell; the full digest must.
    EXPECT_EQ(ContentReader::sample(t.file("quarter", variant(n / 4)), n), a);
    EXPECT_NE(ContentReader::digest(t.path("quarter"), n), ContentReader::digest(t.path("a"), n));
    EXPECT_FALSE(ContentReader::sample(t.path("a"), n + 1));
}
