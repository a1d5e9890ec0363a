// What the command line records of its runs, and `orvane history` reading it back.
#include <filesystem>
#include <fstream>

#include "core/analytics/CleaningHistory.h"
#include "core/analytics/EventLabels.h"
#include "core/analytics/UsageEvent.h"
#include "core/settings/UserDefaults.h"
#include "support/CliTest.h"

using namespace orvane::analytics;
using orvane::testing::CliRun;
using orvane::testing::HasSubstr;

namespace {

class CliEvents : public orvane::testing::CliTest {
protected:
    std::vector<UsageEvent> recorded() {
        std::ifstream in(statePath("events.jsonl"));
        std::vector<UsageEvent> events;
        for (std::string line; std::getline(in, line);) {
            auto event = UsageEvent::fromJsonLine(line);
            EXPECT_TRUE(event) << line;
            if (event) events.push_back(*event);
        }
        return events;
    }
    static std::vector<std::string> actions(const std::vector<UsageEvent>& events) {
        std::vector<std::string> out;
        for (const auto& e : events) out.push_back(e.action);
        return out;
    }
    // A recorded removal, as the events file holds it.
    static std::string removal(const char* date, const std::string& module, std::size_t removed,
                               std::uint64_t bytes) {
        UsageEvent e;
        EXPECT_TRUE(CleaningHistory::parseDate(date, e.time));
        e.category = "Process";
        e.module = module;
        e.action = "RemoveEnd";
        e.labels = labels::removeEnd(removed, 0, bytes, 1.0);
        return e.toJsonLine();
    }
};

using HistoryCli = CliEvents;

}  // namespace

TEST_F(CliEvents, ADuplicateRunRecordsItsStepsAndFeedsTheHistory) {
    for (const char* name : {"a/one.bin", "a/two.bin", "a/three.bin"})
        tree.fileOfSize(name, 1'000'000, 'd');

    CliRun r = orvane("duplicates -q " + q("a") + " --auto-select --remove trash --dry-run");
    ASSERT_EQ(r.code, 0) << r.err;
    auto events = recorded();
    // A dry run scans but removes nothing.
    EXPECT_EQ(actions(events), (std::vector<std::string>{"StartScan", "ScanEnd"}));

    r = orvane("duplicates -q " + q("a") + " --auto-select --remove delete");
    ASSERT_EQ(r.code, 0) << r.err;
    events = recorded();
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

    r = orvane("history --json");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = json(r);
    EXPECT_EQ(j["totals"]["bytes"], 2'000'000u);
    EXPECT_EQ(j["totals"]["files"], 2u);
    EXPECT_EQ(j["modules"][0]["scans"], 2u);
}

TEST_F(CliEvents, ALargeFileRunRecordsItsStepsUnderItsModule) {
    tree.fileOfSize("big/video.bin", 12'000'000, 'v');
    CliRun r = orvane("large-files -q --group 0 --remove delete " + q("big"));
    ASSERT_EQ(r.code, 0) << r.err;
    const auto events = recorded();
    ASSERT_EQ(actions(events),
              (std::vector<std::string>{"StartScan", "ScanEnd", "RemoveStart", "RemoveEnd"}));
    for (const auto& e : events) EXPECT_EQ(e.module, "Bigfile");
    EXPECT_EQ(events[0].labels, std::vector<std::string>{""});
    EXPECT_EQ(events[1].labels[1], "12.00MB");
    EXPECT_EQ(events[2].labels, (std::vector<std::string>{"1", "12.00MB"}));
    EXPECT_EQ(events[3].labels[0], "1");
    EXPECT_EQ(events[3].labels[2], "12.00MB");
}

TEST_F(CliEvents, NothingIsRecordedWhenTheUserTurnedItOff) {
    orvane::settings::UserDefaults(orvane::settings::UserDefaults::defaultPath())
        .setBool("RecordUsageEvents", false);
    tree.fileOfSize("a/one.bin", 1000, 'd');
    tree.fileOfSize("a/two.bin", 1000, 'd');
    CliRun r = orvane("duplicates -q " + q("a") + " --auto-select --remove delete");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(recorded().empty());
    EXPECT_FALSE(tree.exists("home/.local/state/com.orvane.app/events.jsonl"));
}

TEST_F(HistoryCli, PrintsTheRecordedFiguresAsJsonAndText) {
    std::filesystem::create_directories(statePath(""));
    std::ofstream(statePath("events.jsonl"))
        << removal("2026-11-20T10:00", "DuplicateFile", 3, 4'000'000) << "garbage line\n"
        << removal("2026-12-02T10:00", "Bigfile", 1, 250'000'000);

    CliRun r = orvane("history --json");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = json(r);
    EXPECT_EQ(j["totals"]["bytes"], 254'000'000u);
    EXPECT_EQ(j["totals"]["files"], 4u);
    EXPECT_EQ(j["totals"]["removals"], 2u);
    EXPECT_EQ(j["badLines"], 1u);
    ASSERT_EQ(j["modules"].size(), 2u);
    EXPECT_EQ(j["modules"][0]["name"], "Large Files");
    EXPECT_EQ(j["lastRemovals"][0]["module"], "Bigfile");
    EXPECT_EQ(j["daily"][0]["day"], "2026-11-20");

    r = orvane("history --json --since 2026-12-01");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(json(r)["totals"]["bytes"], 250'000'000u);

    r = orvane("history");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("Reclaimed 254 MB: 4 files in 2 removals."));
    EXPECT_THAT(r.out, HasSubstr("Duplicate Files"));
    EXPECT_THAT(r.out, HasSubstr("1 line of the recorded history could not be read"));
}

TEST_F(HistoryCli, NothingRecordedAndBadDates) {
    CliRun r = orvane("history");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("No removals recorded yet."));
    r = orvane("history --json");
    EXPECT_EQ(json(r)["totals"]["removals"], 0u);
    r = orvane("history --since yesterday");
    EXPECT_EQ(r.code, 2);
    EXPECT_THAT(r.err, HasSubstr("--since takes a date"));
}
