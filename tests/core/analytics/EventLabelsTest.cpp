#include <gtest/gtest.h>

#include "core/analytics/EventLabels.h"

using namespace orvane::analytics;

TEST(EventLabels, TimesAndSizesUseTheFixedFormats) {
    EXPECT_EQ(labels::elapsedTime(12.3), "12.30秒");
    EXPECT_EQ(labels::elapsedTime(0), "0.00秒");
    EXPECT_EQ(labels::elapsedTime(-1), "0.00秒");
    // Decimal megabytes: a mebibyte is 1.05 MB, not 1.00.
    EXPECT_EQ(labels::megabytes(1'048'576), "1.05MB");
    EXPECT_EQ(labels::megabytes(1'500'000), "1.50MB");
    EXPECT_EQ(labels::megabytes(0), "0.00MB");
    EXPECT_EQ(labels::megabytes(123'456'789'000), "123456.79MB");
    EXPECT_EQ(labels::scannedSize(0), "0KB");
    EXPECT_NE(labels::scannedSize(2'000'000), "0KB");
}

TEST(EventLabels, AnswersAndOutcomes) {
    EXPECT_EQ(labels::confirmation(true), "Confirm");
    EXPECT_EQ(labels::confirmation(false), "Cancel");
    EXPECT_EQ(labels::outcome(true), "Cancel");
    EXPECT_EQ(labels::outcome(false), "Finish");
    EXPECT_EQ(labels::scanEnd(1.5, 2'000'000, true),
              (labels::Labels{"1.50秒", "2.00MB", "Cancel"}));
}

TEST(EventLabels, TileListEndsWithTheAddTilesEmptyPath) {
    EXPECT_EQ(labels::startScanTiles({"/home/a", "/home/b", ""}),
              (labels::Labels{"/home/a,/home/b,", "2"}));
    EXPECT_EQ(labels::startScanTiles({""}), (labels::Labels{"", "0"}));
}

TEST(EventLabels, RemovalListsReadBack) {
    const labels::Labels end = labels::removeEnd(7, 2, 3'210'000, 4.567);
    ASSERT_EQ(end.size(), 4u);
    std::uint64_t count = 0, failed = 0, bytes = 0;
    double seconds = 0;
    EXPECT_TRUE(labels::parseCount(end[0], count));
    EXPECT_TRUE(labels::parseCount(end[1], failed));
    EXPECT_TRUE(labels::parseMegabytes(end[2], bytes));
    EXPECT_TRUE(labels::parseElapsedTime(end[3], seconds));
    EXPECT_EQ(count, 7u);
    EXPECT_EQ(failed, 2u);
    EXPECT_EQ(bytes, 3'210'000u);
    EXPECT_NEAR(seconds, 4.57, 1e-9);
    EXPECT_EQ(labels::removeStart(3, 1'000'000), (labels::Labels{"3", "1.00MB"}));
}

TEST(EventLabels, ParsersRefuseWhatTheyDidNotWrite) {
    std::uint64_t n = 0;
    double d = 0;
    for (const char* text : {"", "MB", "-1.00MB", "1,50MB", "1e9MB", "nanMB", " 1.00MB", "1.00 MB",
                             "99999999999999999.00MB"})
        EXPECT_FALSE(labels::parseMegabytes(text, n)) << text;
    for (const char* text : {"", "-3", "3.0", "3a", "99999999999999999999"})
        EXPECT_FALSE(labels::parseCount(text, n)) << text;
    for (const char* text : {"", "秒", "1.00", "1.00s", "-1.00秒"})
        EXPECT_FALSE(labels::parseElapsedTime(text, d)) << text;
}
