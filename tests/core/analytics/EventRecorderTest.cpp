#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "core/analytics/Analytics.h"
#include "core/analytics/EventNames.h"
#include "core/analytics/EventRecorder.h"
#include "support/TempTree.h"

using namespace orvane::analytics;
using orvane::testing::ScopedHome;
using orvane::testing::TempTree;

namespace {
std::vector<std::string> linesOf(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

UsageEvent numbered(int i) {
    UsageEvent event;
    event.time = 1000 + i;
    event.category = "Process";
    event.module = "DuplicateFile";
    event.action = "RemoveEnd";
    event.labels = {std::to_string(i)};
    return event;
}
}  // namespace

TEST(EventRecorder, AppendsOneJsonLinePerEventInTheStateFolder) {
    TempTree tree;
    ScopedHome home(tree);
    EventRecorder& recorder = EventRecorder::shared();
    EXPECT_EQ(recorder.path(), home.home() + "/.local/state/com.orvane.app/events.jsonl");

    AsyncCoreFuncReport(category::process, module::duplicateFile, 1, category::process,
                        action::scanEnd, {"1.20秒", "3.00MB", "Finish"});
    KelAsyncGALog(afterDeleterGroup, action::fail, "Permission denied");
    reportEvent(category::operational, module::largeFile, action::filter, {});
    recorder.flush();

    const auto lines = linesOf(recorder.path());
    ASSERT_EQ(lines.size(), 3u);
    const auto first = UsageEvent::fromJsonLine(lines[0]);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->category, "Process");
    EXPECT_EQ(first->module, "DuplicateFile");
    EXPECT_EQ(first->count, 1);
    EXPECT_EQ(first->action, "ScanEnd");
    EXPECT_EQ(first->labels, (std::vector<std::string>{"1.20秒", "3.00MB", "Finish"}));
    EXPECT_GT(first->time, 1.7e9);
    const auto second = UsageEvent::fromJsonLine(lines[1]);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->category, "AfterDeleter");
    EXPECT_EQ(second->action, "Fail");
    EXPECT_EQ(second->labels, std::vector<std::string>{"Permission denied"});
    // An event never has an empty list: nothing to add is one empty label.
    const auto third = UsageEvent::fromJsonLine(lines[2]);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->labels, std::vector<std::string>{""});
}

TEST(EventRecorder, NewlinesAndForeignBytesInLabelsStayOnOneLine) {
    TempTree tree;
    EventRecorder recorder({tree.path("events.jsonl"), 1 << 20, 3, [] { return true; }});
    UsageEvent event = numbered(1);
    event.labels = {"/home/u/two\nlines", std::string("/home/u/\xff\xfe.bin"), "tab\there"};
    recorder.record(event);
    recorder.flush();
    const auto lines = linesOf(recorder.path());
    ASSERT_EQ(lines.size(), 1u);
    const auto back = UsageEvent::fromJsonLine(lines[0]);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->labels[0], "/home/u/two\nlines");
    EXPECT_EQ(back->labels[1], "/home/u/\xEF\xBF\xBD\xEF\xBF\xBD.bin");
    EXPECT_EQ(back->labels[2], "tab\there");
}

TEST(EventRecorder, RecordReturnsAtOnceWhileTheFileCannotBeWritten) {
    // Opening a pipe nobody reads blocks the writer: the caller must not notice.
    TempTree tree;
    const std::string fifo = tree.path("events.jsonl");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto recorder = std::make_unique<EventRecorder>(
        EventRecorder::Options{fifo, 1 << 20, 3, [] { return true; }});
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i) recorder->record(numbered(i));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));

    // Opened for reading and writing, the pipe never reports its end to us nor a missing reader
    // to the recorder, so the five lines arrive whatever the timing.
    const int reader = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    std::string received;
    char buffer[4096];
    while (std::count(received.begin(), received.end(), '\n') < 5) {
        const ssize_t n = ::read(reader, buffer, sizeof buffer);
        ASSERT_GT(n, 0);
        received.append(buffer, static_cast<std::size_t>(n));
    }
    recorder.reset();
    ::close(reader);
    EXPECT_TRUE(UsageEvent::fromJsonLine(received.substr(0, received.find('\n'))));
}

TEST(EventRecorder, AFullDiskIsCountedAndTheProgramGoesOn) {
    EventRecorder recorder({"/dev/full", 1 << 20, 3, [] { return true; }});
    for (int i = 0; i < 3; ++i) recorder.record(numbered(i));
    recorder.flush();
    EXPECT_EQ(recorder.failedWrites(), 3u);
}

TEST(EventRecorder, AFolderThatCannotBeWrittenIsCounted) {
    TempTree tree;
    tree.file("state", "a file where the folder should be");
    EventRecorder recorder({tree.path("state/events.jsonl"), 1 << 20, 3, [] { return true; }});
    recorder.record(numbered(1));
    recorder.flush();
    EXPECT_EQ(recorder.failedWrites(), 1u);
}

TEST(EventRecorder, TurnedOffRecordsNothing) {
    TempTree tree;
    bool on = false;
    EventRecorder recorder({tree.path("events.jsonl"), 1 << 20, 3, [&] { return on; }});
    recorder.record(numbered(1));
    recorder.flush();
    EXPECT_FALSE(tree.exists("events.jsonl"));
    on = true;
    recorder.record(numbered(2));
    recorder.flush();
    EXPECT_EQ(linesOf(recorder.path()).size(), 1u);
}

TEST(EventRecorder, RotatesIntoNumberedFilesAndDropsTheOldest) {
    TempTree tree;
    const std::string path = tree.path("events.jsonl");
    const std::size_t lineSize = numbered(100).toJsonLine().size();
    EventRecorder recorder({path, lineSize * 10, 2, [] { return true; }});
    for (int i = 100; i < 145; ++i) recorder.record(numbered(i));
    recorder.flush();

    EXPECT_FALSE(tree.exists("events.jsonl.3"));
    const auto files = EventRecorder::filesOldestFirst(path, 2);
    ASSERT_EQ(files, (std::vector<std::string>{path + ".2", path + ".1", path}));
    // Read oldest first, the kept events are the newest ones, in order, with none lost between.
    std::vector<int> seen;
    for (const auto& file : files) {
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_LE(static_cast<std::size_t>(st.st_size), lineSize * 10);
        for (const auto& line : linesOf(file)) {
            const auto event = UsageEvent::fromJsonLine(line);
            ASSERT_TRUE(event) << line;
            seen.push_back(std::stoi(event->labels[0]));
        }
    }
    ASSERT_EQ(seen.size(), 25u);
    for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], 120 + static_cast<int>(i));
}

TEST(EventRecorder, TwoWritersNeverInterleaveLines) {
    // Two recorders on one file stand for the window and the command line.
    TempTree tree;
    const std::string path = tree.path("events.jsonl");
    EventRecorder a({path, 1 << 24, 3, [] { return true; }});
    EventRecorder b({path, 1 << 24, 3, [] { return true; }});
    std::thread ta([&] {
        for (int i = 0; i < 400; ++i) a.record(numbered(i));
    });
    std::thread tb([&] {
        for (int i = 0; i < 400; ++i) b.record(numbered(i));
    });
    ta.join();
    tb.join();
    a.flush();
    b.flush();
    const auto lines = linesOf(path);
    ASSERT_EQ(lines.size(), 800u);
    for (const auto& line : lines) EXPECT_TRUE(UsageEvent::fromJsonLine(line)) << line;
}
