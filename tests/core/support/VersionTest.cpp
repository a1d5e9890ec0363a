#include <gtest/gtest.h>

#include "core/support/ReleaseFeed.h"
#include "core/support/VersionNumber.h"

using namespace orvane::support;

namespace {
VersionNumber v(const char* text) {
    auto parsed = VersionNumber::parse(text);
    EXPECT_TRUE(parsed) << text;
    return parsed.value_or(*VersionNumber::parse("0"));
}
}  // namespace

TEST(VersionNumber, ComparesNumbersNotText) {
    EXPECT_GT(v("1.10"), v("1.9"));
    EXPECT_GT(v("2.0"), v("1.99.99"));
    EXPECT_EQ(v("1.2"), v("1.2.0"));
    EXPECT_EQ(v("v1.2.3"), v("1.2.3"));
    EXPECT_LT(v("1.3.0-beta1"), v("1.3.0"));
    EXPECT_GT(v("1.3.0-beta1"), v("1.2.9"));
    EXPECT_LT(v("1.3.0-alpha"), v("1.3.0-beta"));
    EXPECT_EQ(v("0.1.0").text(), "0.1.0");
}

TEST(VersionNumber, RefusesWhatIsNotAVersion) {
    for (const char* bad : {"", "v", "banana", "1..2", ".1", "1.", "1.2.x", "-1", "1.2-",
                            "1.2-be ta", "1234567890.1", "1.2.3.4.5.6.7", "１.２"})
        EXPECT_FALSE(VersionNumber::parse(bad)) << bad;
}

TEST(ReleaseFeed, AcceptsOnlyAWellFormedFeed) {
    std::string error;
    auto feed = ReleaseFeed::parse(
        R"({"version":"1.2.0","notes":"Faster.","url":"https://orvane.com/dl"})", error);
    ASSERT_TRUE(feed) << error;
    EXPECT_EQ(feed->versionText, "1.2.0");
    EXPECT_EQ(feed->notes, "Faster.");
    EXPECT_EQ(feed->downloadURL, "https://orvane.com/dl");
    // Notes are optional.
    EXPECT_TRUE(ReleaseFeed::parse(R"({"version":"1.2.0","url":"https://orvane.com/dl"})", error));

    for (const char* bad : {"", "null", "[]", "{", R"({"version":1.2,"url":"https://o.com"})",
                            R"({"version":"next","url":"https://o.com"})", R"({"version":"1.2"})",
                            R"x({"version":"1.2","url":"javascript:alert(1)"})x",
                            R"({"version":"1.2","url":"https://o.com","notes":7})"}) {
        error.clear();
        const auto refused = ReleaseFeed::parse(bad, error);
        EXPECT_FALSE(refused) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}
