#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "core/analytics/CleaningHistory.h"
#include "core/analytics/EventLabels.h"
#include "core/analytics/UsageEvent.h"
#include "support/CliRun.h"

using namespace orvane::analytics;
using orvane::testing::CliRun;
using orvane::testing::ScopedHome;
using orvane::testing::TempTree;

namespace {
CliRun runOrvane(const TempTree& tree, const std::string& args) {
    return orvane::testing::runCli(tree, ORVANE_CLI_PATH, args);
}

std::string removal(const char* date, const std::string& module, std::size_t removed,
                    std::uint64_t bytes) {
    UsageEvent e;
    EXPECT_TRUE(CleaningHistory::parseDate(date, e.time));
    e.category = "Process";
    e.module = module;
    e.action = "RemoveEnd";
    e.labels = labels::removeEnd(removed, 0, bytes, 1.0);
    return e.toJsonLine();
}

std::string eventsFile(const ScopedHome& home) {
    const std::string dir = home.home() + "/.local/state/com.orvane.app";
    std::filesystem::create_directories(dir);
    return dir + "/events.jsonl";
}
}  // namespace

TEST(HistoryCli, PrintsTheRecordedFiguresAsJsonAndText) {
    TempTree tree;
    ScopedHome home(tree);
    std::ofstream(eventsFile(home))
        << removal("2026-11-20T10:00", "DuplicateFile", 3, 4'000'000) << "garbage line\n"
        << removal("2026-12-02T10:00", "Bigfile", 1, 250'000'000);

    CliRun r = runOrvane(tree, "history --json");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["totals"]["bytes"], 254'000'000u);
    EXPECT_EQ(j["totals"]["files"], 4u);
    EXPECT_EQ(j["totals"]["removals"], 2u);
    EXPECT_EQ(j["badLines"], 1u);
    ASSERT_EQ(j["modules"].size(), 2u);
    EXPECT_EQ(j["modules"][0]["name"], "Large Files");
    EXPECT_EQ(j["lastRemovals"][0]["module"], "Bigfile");
    EXPECT_EQ(j["daily"][0]["day"], "2026-11-20");

    r = runOrvane(tree, "history --json --since 2026-12-01");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["totals"]["bytes"], 250'000'000u);

    r = runOrvane(tree, "history");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Reclaimed 254 MB: 4 files in 2 removals."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Duplicate Files"), std::string::npos);
    EXPECT_NE(r.out.find("1 line of the recorded history could not be read"), std::string::npos)
        << r.out;
}

TEST(HistoryCli, NothingRecordedAndBadDates) {
    TempTree tree;
    ScopedHome home(tree);
    CliRun r = runOrvane(tree, "history");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("No removals recorded yet."), std::string::npos) << r.out;
    r = runOrvane(tree, "history --json");
    EXPECT_EQ(nlohmann::json::parse(r.out)["totals"]["removals"], 0u);
    r = runOrvane(tree, "history --since yesterday");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--since takes a date"), std::string::npos);
}
