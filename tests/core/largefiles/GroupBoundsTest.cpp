#include <gtest/gtest.h>

#include <utime.h>

#include "core/largefiles/FileHelper.h"
#include "core/largefiles/LargeFileGroups.h"
#include "core/largefiles/RootList.h"
#include "support/TempTree.h"

namespace orvane::largefiles {
namespace {

TEST(LargeFileGroups, SizeBandsUseDecimalUnitsWithInclusiveLowerBounds) {
    EXPECT_EQ(sizeGroupIndex(10'000'000), tenMBToFiveHundredMB);
    EXPECT_EQ(sizeGroupIndex(499'999'999), tenMBToFiveHundredMB);
    EXPECT_EQ(sizeGroupIndex(500'000'000), fiveHundredMBToOneGB);
    EXPECT_EQ(sizeGroupIndex(999'999'999), fiveHundredMBToOneGB);
    EXPECT_EQ(sizeGroupIndex(1'000'000'000), oneGBToFiveGB);
    EXPECT_EQ(sizeGroupIndex(4'999'999'999), oneGBToFiveGB);
    EXPECT_EQ(sizeGroupIndex(5'000'000'000), above5G);
    EXPECT_EQ(sizeGroupIndex(1ULL << 50), above5G);
}

// 2026-12-06 00:00:00 UTC
constexpr double kMidnight = 1796515200;

TEST(LargeFileGroups, AgeBandsCountFromMidnightUtcAndWholeDays) {
    const double now = kMidnight + 3600;  // one o'clock in the night
    EXPECT_EQ(secondsSinceMidnightUTC(now), 3600);
    EXPECT_EQ(secondsSinceMidnightUTC(now + 0.999), 3600);

    EXPECT_EQ(ageGroupIndex(now, static_cast<std::int64_t>(now)), largeFilesTypeToday);
    EXPECT_EQ(ageGroupIndex(now, static_cast<std::int64_t>(kMidnight) + 1), largeFilesTypeToday);
    // Modified exactly at midnight: as old as the day itself, so no longer "today".
    EXPECT_EQ(ageGroupIndex(now, static_cast<std::int64_t>(kMidnight)), largeFilesTypeDay);

    const auto at = [&](double age) {
        return ageGroupIndex(now, static_cast<std::int64_t>(now - age));
    };
    EXPECT_EQ(at(kWeekSeconds - 1), largeFilesTypeDay);
    EXPECT_EQ(at(kWeekSeconds), largeFilesTypeWeek);
    EXPECT_EQ(at(kMonthSeconds - 1), largeFilesTypeWeek);
    EXPECT_EQ(at(kMonthSeconds), largeFilesTypeMonth);
    EXPECT_EQ(at(kYearSeconds - 1), largeFilesTypeMonth);
    EXPECT_EQ(at(kYearSeconds), largeFilesTypeYear);
    EXPECT_EQ(at(20 * kYearSeconds), largeFilesTypeYear);
    // A modification time in the future (clock skew, a camera) is simply "today".
    EXPECT_EQ(at(-5000), largeFilesTypeToday);
}

TEST(LargeFileGroups, MinuteBeforeMidnightSeenMinuteAfterIsNotToday) {
    const double now = kMidnight + 60;
    EXPECT_EQ(ageGroupIndex(now, static_cast<std::int64_t>(kMidnight - 60)), largeFilesTypeDay);
    EXPECT_EQ(ageGroupIndex(now, static_cast<std::int64_t>(kMidnight + 30)), largeFilesTypeToday);
    // Just before midnight nearly the whole day counts as today.
    EXPECT_EQ(ageGroupIndex(kMidnight - 1, static_cast<std::int64_t>(kMidnight - 86'000)),
              largeFilesTypeToday);
}

TEST(RootList, NestedRootsAreWalkedOnceButRootSlashDoesNotSwallowOthers) {
    EXPECT_EQ(deleteSonPath({"/Users/me/Documents", "/Users/me"}),
              (std::vector<std::string>{"/Users/me"}));
    // A sibling whose name merely starts like the other root is not below it.
    EXPECT_EQ(deleteSonPath({"/a/bc", "/a/b", "/a/b/c/d"}),
              (std::vector<std::string>{"/a/b", "/a/bc"}));
    EXPECT_EQ(deleteSonPath({"/Users/me", "/"}), (std::vector<std::string>{"/", "/Users/me"}));
    EXPECT_EQ(deleteSonPath({"/x", "/x"}), (std::vector<std::string>{"/x"}));
    EXPECT_EQ(deleteSonPath({"/z"}), (std::vector<std::string>{"/z"}));
    EXPECT_TRUE(deleteSonPath({}).empty());
}

TEST(FileHelper, StatFollowsLinksAndLstatTellsLinks) {
    testing::TempTree tree;
    tree.sparseFile("big.bin", 20'000'000);
    tree.setMtime("big.bin", 1'000'000'000);
    tree.symlink("big.bin", "link");
    tree.symlink("missing", "dangling");

    auto data = FileHelper::fileTimeData(tree.path("link"));
    ASSERT_TRUE(data);
    EXPECT_EQ(data->size, 20'000'000u);
    EXPECT_EQ(data->timeMtimespec, 1'000'000'000);
    EXPECT_TRUE(FileHelper::fileIsLink(tree.path("link")));
    EXPECT_FALSE(FileHelper::fileIsLink(tree.path("big.bin")));

    EXPECT_FALSE(FileHelper::fileTimeData(tree.path("dangling")));
    EXPECT_TRUE(FileHelper::fileIsLink(tree.path("dangling")));
    EXPECT_FALSE(FileHelper::fileTimeData(tree.path("nothing")));
    EXPECT_FALSE(FileHelper::fileIsLink(tree.path("nothing")));
}

}  // namespace
}  // namespace orvane::largefiles
