#include <gtest/gtest.h>

#include <fstream>

#include "core/analytics/CleaningHistory.h"
#include "core/analytics/EventLabels.h"
#include "core/analytics/UsageEvent.h"
#include "support/TempTree.h"

using namespace orvane::analytics;
using orvane::testing::TempTree;

namespace {
double at(const char* date) {
    double t = 0;
    EXPECT_TRUE(CleaningHistory::parseDate(date, t)) << date;
    return t;
}

std::string event(double time, const std::string& module, const std::string& action,
                  std::vector<std::string> labels, const std::string& category = "Process") {
    UsageEvent e;
    e.time = time;
    e.category = category;
    e.module = module;
    e.action = action;
    e.labels = std::move(labels);
    return e.toJsonLine();
}

std::string removal(const char* date, const std::string& module, std::size_t removed,
                    std::size_t failed, std::uint64_t bytes) {
    return event(at(date), module, "RemoveEnd", labels::removeEnd(removed, failed, bytes, 2.5));
}
}  // namespace

TEST(CleaningHistory, FiguresPerModuleDayAndInTotal) {
    TempTree tree;
    std::string text;
    text += event(at("2026-11-30T09:00"), "DuplicateFile", "ScanEnd",
                  labels::scanEnd(3, 9'000'000, false));
    text += removal("2026-11-30T09:05", "DuplicateFile", 4, 1, 12'340'000);
    text += removal("2026-11-30T18:00", "DuplicateFile", 2, 0, 1'000'000);
    text += removal("2026-12-01T10:00", "Bigfile", 1, 0, 2'500'000'000);
    text += event(at("2026-12-01T10:01"), "Bigfile", "RemoveStart",
                  labels::removeStart(1, 2'500'000'000));
    // The app manager's removal end carries no size: a run, nothing reclaimed that we can tell.
    text +=
        event(at("2026-12-02T08:00"), "AppManage", "RemoveEnd", {" ", " ", " ", "", "Uninstall"});
    // Choices made on screens are not removals.
    text += event(at("2026-12-02T08:01"), "DuplicateFile", "RemoveEnd", {"9", "0", "9.00MB"},
                  "Operational");
    std::ofstream(tree.path("events.jsonl")) << text;

    const CleaningHistory history = CleaningHistory::read({tree.path("events.jsonl")}, {});
    EXPECT_EQ(history.badLines(), 0u);
    EXPECT_EQ(history.eventCount(), 7u);
    EXPECT_EQ(history.totalBytes(), 12'340'000u + 1'000'000u + 2'500'000'000u);
    EXPECT_EQ(history.totalFiles(), 7u);
    EXPECT_EQ(history.totalRuns(), 4u);

    const auto totals = history.totalsByModule();
    ASSERT_EQ(totals.size(), 3u);
    EXPECT_EQ(totals[0].module, "Bigfile");
    EXPECT_EQ(totals[1].module, "DuplicateFile");
    EXPECT_EQ(totals[1].bytes, 13'340'000u);
    EXPECT_EQ(totals[1].files, 6u);
    EXPECT_EQ(totals[1].failed, 1u);
    EXPECT_EQ(totals[1].runs, 2u);
    EXPECT_EQ(totals[1].scans, 1u);
    EXPECT_EQ(totals[2].module, "AppManage");
    EXPECT_EQ(totals[2].runs, 1u);
    EXPECT_EQ(totals[2].bytes, 0u);

    const auto days = history.daily();
    ASSERT_EQ(days.size(), 3u);
    EXPECT_EQ(days[0].day, "2026-11-30");
    EXPECT_EQ(days[0].module, "DuplicateFile");
    EXPECT_EQ(days[0].bytes, 13'340'000u);
    EXPECT_EQ(days[0].files, 6u);
    EXPECT_EQ(days[1].day, "2026-12-01");
    EXPECT_EQ(days[2].day, "2026-12-02");

    const auto& last = history.lastRemovals();
    ASSERT_EQ(last.size(), 4u);
    EXPECT_EQ(last[0].module, "AppManage");
    EXPECT_EQ(last[1].module, "Bigfile");
    EXPECT_EQ(last[3].removedCount, 4u);
    EXPECT_EQ(last[3].failedCount, 1u);
    EXPECT_DOUBLE_EQ(last[3].seconds, 2.5);
}

TEST(CleaningHistory, SinceLeavesOutOlderEventsAndLastRemovalsAreCapped) {
    std::string text;
    for (int day = 1; day <= 9; ++day) {
        const std::string date = "2026-10-0" + std::to_string(day);
        text += removal(date.c_str(), "Cleanup", 1, 0, 1'000'000);
    }
    CleaningHistory history({at("2026-10-05"), 3, 64 * 1024});
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        history.addLine(std::string_view(text).substr(start, end - start));
        start = end + 1;
    }
    EXPECT_EQ(history.totalRuns(), 5u);
    EXPECT_EQ(history.totalBytes(), 5'000'000u);
    ASSERT_EQ(history.lastRemovals().size(), 3u);
    EXPECT_EQ(CleaningHistory::localDay(history.lastRemovals()[0].time), "2026-10-09");
    EXPECT_EQ(CleaningHistory::localDay(history.lastRemovals()[2].time), "2026-10-07");
}

TEST(CleaningHistory, BadLinesAreSkippedAndCounted) {
    TempTree tree;
    std::string text;
    text += removal("2026-12-01", "DuplicateFile", 1, 0, 1'000'000);
    text += "not json at all\n";
    text += "{\"time\":1,\"category\":\"Process\"\n";  // torn write
    text += "[1,2,3]\n";                               // not an object
    text += "{\"time\":\"x\",\"category\":\"P\",\"module\":\"\",\"action\":\"\",\"labels\":[]}\n";
    text += "{\"time\":1,\"category\":\"P\",\"module\":\"\",\"action\":\"\",\"labels\":[1]}\n";
    text += "{\"time\":1e999,\"category\":\"P\",\"module\":\"\",\"action\":\"\",\"labels\":[]}\n";
    text += std::string("\xff\xfe\x00garbage\n", 11);
    text += "\n   \n";                                   // blank lines are not events, nor errors
    text += "{" + std::string(200 * 1024, ' ') + "}\n";  // longer than any event
    // A lie about the size must not overflow the totals.
    text += event(at("2026-12-02"), "Bigfile", "RemoveEnd", {"1", "0", "1e300MB"});
    text += removal("2026-12-03", "Bigfile", 2, 0, 3'000'000);
    text += "{\"time\":5,\"cat";  // cut short at the end of the file
    std::ofstream(tree.path("events.jsonl"), std::ios::binary) << text;

    const CleaningHistory history = CleaningHistory::read({tree.path("events.jsonl")}, {});
    EXPECT_EQ(history.badLines(), 9u);
    EXPECT_EQ(history.totalRuns(), 3u);
    EXPECT_EQ(history.totalBytes(), 4'000'000u);
}

TEST(CleaningHistory, ReadsRotatedFilesInOrderAndNamesTheUnreadable) {
    TempTree tree;
    std::ofstream(tree.path("events.jsonl.1")) << removal("2026-12-01", "Cleanup", 1, 0, 1'000'000);
    std::ofstream(tree.path("events.jsonl")) << removal("2026-12-02", "Cleanup", 1, 0, 2'000'000);
    const CleaningHistory history = CleaningHistory::read(
        {tree.path("events.jsonl.1"), tree.path("missing"), tree.path("events.jsonl")}, {});
    EXPECT_EQ(history.totalBytes(), 3'000'000u);
    ASSERT_EQ(history.unreadableFiles().size(), 1u);
    EXPECT_EQ(history.unreadableFiles()[0], tree.path("missing"));
    EXPECT_EQ(CleaningHistory::localDay(history.lastRemovals()[0].time), "2026-12-02");
}

TEST(CleaningHistory, AHugeFileIsStreamed) {
    TempTree tree;
    const std::string path = tree.path("events.jsonl");
    {
        std::ofstream out(path, std::ios::binary);
        const std::string line = removal("2026-12-01", "DuplicateFile", 1, 0, 10'000);
        for (int i = 0; i < 100'000; ++i) out << line;
        // One line of 16 MB with no newline in sight: skipped without holding it.
        out << std::string(16 * 1024 * 1024, 'x') << '\n';
        out << line;
    }
    const CleaningHistory history = CleaningHistory::read({path}, {});
    EXPECT_EQ(history.totalRuns(), 100'001u);
    EXPECT_EQ(history.totalBytes(), 100'001u * 10'000u);
    EXPECT_EQ(history.badLines(), 1u);
    EXPECT_EQ(history.lastRemovals().size(), 20u);
}

TEST(CleaningHistory, DatesFromTheCommandLine) {
    double t = 0;
    EXPECT_TRUE(CleaningHistory::parseDate("2026-12-06", t));
    EXPECT_EQ(CleaningHistory::localDay(t), "2026-12-06");
    double later = 0;
    EXPECT_TRUE(CleaningHistory::parseDate("2026-12-06T10:30", later));
    EXPECT_DOUBLE_EQ(later - t, 10.5 * 3600);
    EXPECT_TRUE(CleaningHistory::parseDate("2026-12-06 10:30:15", later));
    for (const char* bad : {"", "yesterday", "2026-02-31", "2026-13-01", "2026-1-5", "1969-12-31",
                            "2026-12-06T25:00", "2026-12-06T10:30:61", "2026-12-06Z", "+026-12-06"})
        EXPECT_FALSE(CleaningHistory::parseDate(bad, t)) << bad;
}
