#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "core/analytics/UsageEvent.h"
#include "core/settings/UserDefaults.h"
#include "support/CliRun.h"

using namespace orvane::analytics;
using orvane::testing::CliRun;
using orvane::testing::ScopedHome;
using orvane::testing::TempTree;

namespace {
CliRun runOrvane(const TempTree& tree, const std::string& args) {
    return orvane::testing::runCli(tree, ORVANE_CLI_PATH, args);
}

std::vector<UsageEvent> recorded(const ScopedHome& home) {
    std::ifstream in(home.home() + "/.local/state/com.orvane.app/events.jsonl");
    std::vector<UsageEvent> events;
    for (std::string line; std::getline(in, line);) {
        auto event = UsageEvent::fromJsonLine(line);
        EXPECT_TRUE(event) << line;
        if (event) events.push_back(*event);
    }
    return events;
}

std::vector<std::string> actions(const std::vector<UsageEvent>& events) {
    std::vector<std::string> out;
    for (const auto& e : events) out.push_back(e.action);
    return out;
}
}  // namespace

TEST(CliEvents, ADuplicateRunRecordsItsStepsAndFeedsTheHistory) {
    TempTree tree;
    ScopedHome home(tree);
    for (const char* name : {"a/one.bin", "a/two.bin", "a/three.bin"})
        tree.fileOfSize(name, 1'000'000, 'd');

    CliRun r = runOrvane(
        tree, "duplicates -q '" + tree.path("a") + "' --auto-select --remove trash --dry-run");
    ASSERT_EQ(r.code, 0) << r.err;
    auto events = recorded(home);
    // A dry run scans but removes nothing.
    EXPECT_EQ(actions(events), (std::vector<std::string>{"StartScan", "ScanEnd"}));

    r = runOrvane(tree, "duplicates -q '" + tree.path("a") + "' --auto-select --remove delete");
    ASSERT_EQ(r.code, 0) << r.err;
    events = recorded(home);
    ASSERT_EQ(actions(events), (std::vector<std::string>{"StartScan", "ScanEnd", "StartScan",
                                                         "ScanEnd", "RemoveStart", "RemoveEnd"}));
    for (const auto& e : events) {
        EXPECT_EQ(e.category, "Process");
        EXPECT_EQ(e.module, "DuplicateFile");
        EXPECT_EQ(e.count, 1);
    }
    EXPECT_EQ(events[2].labels, (std::vector<std::string>{tree.path("a"), "1"}));
    ASSERT_EQ(events[3].labels.size(), 3u);
    EXPECT_EQ(events[3].labels[1], "3.00MB");
    EXPECT_EQ(events[3].labels[2], "Finish");
    EXPECT_EQ(events[4].labels, (std::vector<std::string>{"2", "2.00MB"}));
    ASSERT_EQ(events[5].labels.size(), 4u);
    EXPECT_EQ(events[5].labels[0], "2");
    EXPECT_EQ(events[5].labels[1], "0");
    EXPECT_EQ(events[5].labels[2], "2.00MB");
    EXPECT_TRUE(events[5].labels[3].ends_with("秒"));

    r = runOrvane(tree, "history --json");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["totals"]["bytes"], 2'000'000u);
    EXPECT_EQ(j["totals"]["files"], 2u);
    EXPECT_EQ(j["modules"][0]["scans"], 2u);
}

TEST(CliEvents, ALargeFileRunRecordsItsStepsUnderItsModule) {
    TempTree tree;
    ScopedHome home(tree);
    tree.fileOfSize("big/video.bin", 12'000'000, 'v');
    CliRun r =
        runOrvane(tree, "large-files -q --group 0 --remove delete '" + tree.path("big") + "'");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto events = recorded(home);
    ASSERT_EQ(actions(events),
              (std::vector<std::string>{"StartScan", "ScanEnd", "RemoveStart", "RemoveEnd"}));
    for (const auto& e : events) EXPECT_EQ(e.module, "Bigfile");
    EXPECT_EQ(events[0].labels, std::vector<std::string>{""});
    EXPECT_EQ(events[1].labels[1], "12.00MB");
    EXPECT_EQ(events[2].labels, (std::vector<std::string>{"1", "12.00MB"}));
    EXPECT_EQ(events[3].labels[0], "1");
    EXPECT_EQ(events[3].labels[2], "12.00MB");
}

TEST(CliEvents, NothingIsRecordedWhenTheUserTurnedItOff) {
    TempTree tree;
    ScopedHome home(tree);
    orvane::settings::UserDefaults(orvane::settings::UserDefaults::defaultPath())
        .setBool("RecordUsageEvents", false);
    tree.fileOfSize("a/one.bin", 1000, 'd');
    tree.fileOfSize("a/two.bin", 1000, 'd');
    CliRun r =
        runOrvane(tree, "duplicates -q '" + tree.path("a") + "' --auto-select --remove delete");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(recorded(home).empty());
    EXPECT_FALSE(tree.exists("home/.local/state/com.orvane.app/events.jsonl"));
}
