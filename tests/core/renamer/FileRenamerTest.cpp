#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "DocumentFixtures.h"
#include "core/renamer/FileRenamer.h"
#include "core/renamer/NoticeQueue.h"
#include "core/renamer/ParserSupport.h"
#include "core/renamer/RenameJournal.h"
#include "core/renamer/RenamerFileList.h"
#include "kit/MainQueue.h"
#include "namer/BuiltinNamer.h"
#include "namer/NamerServer.h"
#include "support/LocalHttpServer.h"
#include "support/TempTree.h"

using namespace orvane::renamer;
using orvane::kit::MainLoop;
using orvane::testing::LocalHttpServer;
using orvane::testing::TempTree;
namespace fx = orvane::testing;

namespace {

struct Recorder : FileRenamerDelegate {
    std::vector<std::pair<std::size_t, FileProcessState>> updates;
    std::shared_ptr<FileRenamer> renamer;
    int finished = 0;
    void fileRenamerDidUpdate(std::size_t index) override {
        updates.emplace_back(index, renamer->items[index].state);
    }
    void fileRenamerDidFinishAll() override { ++finished; }
};

struct Pipeline : ::testing::Test {
    TempTree tree;
    MainLoop loop;
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
    std::shared_ptr<FileRenamer> renamer = FileRenamer::create();
    orvane::namer::NamerServer namer{std::make_shared<orvane::namer::BuiltinNamer>()};

    Pipeline() {
        std::string error;
        EXPECT_TRUE(namer.start("127.0.0.1", 0, error)) << error;
        renamer->serviceURL = namer.baseURL();
        renamer->delegate = recorder;
        recorder->renamer = renamer;
    }

    void add(const std::vector<std::string>& paths) {
        RenamerFileList list;
        list.dragDrop(paths);
        for (auto& item : list.folderItems) renamer->items.push_back(item);
    }
    bool runAll() {
        const int before = recorder->finished;
        renamer->renameAll();
        return loop.runUntil([&] { return recorder->finished > before; }, std::chrono::seconds(60));
    }
};

// The date part is the file's birth time where the file system keeps one.
std::string withDate(const std::string& base, const std::string& path, const std::string& ext) {
    const auto created = creationTimeText(path);
    return base + (created ? "_" + created->substr(0, 10) : "") + ext;
}

}  // namespace

TEST_F(Pipeline, EachFileIsNamedInTurnAndFailuresDoNotStopTheRun) {
    add({tree.file("in/notes.txt", "Garden Plan for Spring\nTulips and roses."),
         tree.file("in/empty.txt", ""), tree.file("in/broken.json", "{\"a\": "),
         tree.file("in/post.md",
                   "---\nauthor: Ana\ndate: 2025-06-01\n---\n# Lisbon Trip\nday one")});
    renamer->perferenceSetting = PerferenceSetting::contentAutorDate;
    ASSERT_TRUE(runAll());
    ASSERT_EQ(renamer->items.size(), 4u);
    EXPECT_EQ(renamer->items[0].state, FileProcessState::success);
    EXPECT_EQ(renamer->items[0].newName.value_or(""),
              withDate("Garden Plan for Spring", renamer->items[0].filePath, ".txt"));
    EXPECT_EQ(renamer->items[1].state, FileProcessState::failed);
    EXPECT_EQ(renamer->items[1].error, "File content is missing");
    EXPECT_EQ(renamer->items[2].state, FileProcessState::failed);
    EXPECT_EQ(
        renamer->items[2].error.rfind("File content is missing: The JSON could not be read", 0), 0u)
        << renamer->items[2].error;
    EXPECT_EQ(renamer->items[3].newName.value_or(""),
              withDate("Lisbon Trip_Ana", renamer->items[3].filePath, ".md"));
    EXPECT_FALSE(renamer->isRunning);

    // Every entry went loading first, then to its end state, one at a time.
    ASSERT_EQ(recorder->updates.size(), 8u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(recorder->updates[2 * i].first, i);
        EXPECT_EQ(recorder->updates[2 * i].second, FileProcessState::loading);
        EXPECT_EQ(recorder->updates[2 * i + 1].first, i);
    }

    // A second run over the whole list skips what is done; a retry redoes one entry.
    recorder->updates.clear();
    ASSERT_TRUE(runAll());
    EXPECT_TRUE(recorder->updates.empty());
    tree.file("in/empty.txt", "Now with words\nand more");
    renamer->retry(1);
    ASSERT_TRUE(loop.runUntil([&] { return !renamer->isRunning; }, std::chrono::seconds(30)));
    EXPECT_EQ(renamer->items[1].state, FileProcessState::success);
    EXPECT_EQ(renamer->items[1].newName.value_or(""),
              withDate("Now with words", renamer->items[1].filePath, ".txt"));
    EXPECT_EQ(recorder->updates.size(), 2u);
}

TEST_F(Pipeline, UnusableSuggestionsAndServiceErrorsFailTheEntry) {
    LocalHttpServer bad;
    std::vector<std::string> answers = {
        R"({"data":{"success":true,"message":"","suggested_name":"../../etc/passwd"}})",
        R"({"data":{"success":true,"message":"","suggested_name":".."}})",
        R"({"data":{"success":false,"message":"No credits left","suggested_name":""}})",
        "not json"};
    std::size_t next = 0;
    std::mutex m;
    bad.server().Post(".*", [&](const httplib::Request&, httplib::Response& res) {
        std::lock_guard lock(m);
        res.set_content(answers[next++ % answers.size()], "application/json");
    });
    bad.start();
    renamer->serviceURL = bad.url();
    std::vector<std::string> paths;
    for (int i = 0; i < 4; ++i)
        paths.push_back(tree.file("b/" + std::to_string(i) + ".txt", "text"));
    add(paths);
    ASSERT_TRUE(runAll());
    for (const auto& item : renamer->items) EXPECT_EQ(item.state, FileProcessState::failed);
    EXPECT_EQ(renamer->items[0].error,
              "The service suggested an unusable name: A file name cannot contain \"/\".");
    EXPECT_EQ(renamer->items[2].error, "No credits left");
    EXPECT_EQ(renamer->items[3].error, "The naming service's answer could not be read.");

    // Nothing was renamed: failed entries are not applied.
    RenameJournal journal(tree.path("journal"));
    bool applied = false;
    renamer->applyFileRenames(journal, [&](const RenameOutcome& out) {
        EXPECT_TRUE(out.moved.empty());
        applied = true;
    });
    ASSERT_TRUE(loop.runUntil([&] { return applied; }, std::chrono::seconds(10)));
    for (const auto& p : paths) EXPECT_EQ(tree.read(p.substr(tree.root().size() + 1)), "text");
}

TEST_F(Pipeline, ImagesAreSentAsDataUrlsWithTheirMimeType) {
    LocalHttpServer spy;
    std::string content;
    spy.server().Post(".*", [&](const httplib::Request& req, httplib::Response& res) {
        content = nlohmann::json::parse(req.body)["content"];
        res.set_content(R"({"data":{"success":true,"message":"","suggested_name":"Photo"}})",
                        "application/json");
    });
    spy.start();
    renamer->serviceURL = spy.url();
    add({tree.file("p/IMG_1.HEIF", "\x01\x02\x03")});
    ASSERT_TRUE(runAll());
    EXPECT_EQ(content, "data:image/heic;base64,AQID");
    EXPECT_EQ(renamer->items[0].newName.value_or(""), "Photo");
}

TEST_F(Pipeline, SuggestedNamesAreAppliedAndTheEntriesFollowTheirFiles) {
    add({tree.file("d/scan1.txt", "Tax Return 2024\n..."),
         tree.file("d/scan2.txt", "Tax Return 2024\n")});
    ASSERT_TRUE(runAll());
    RenameJournal journal(tree.path("journal"));
    RenameOutcome outcome;
    bool applied = false;
    renamer->applyFileRenames(journal, [&](const RenameOutcome& out) {
        outcome = out;
        applied = true;
    });
    ASSERT_TRUE(loop.runUntil([&] { return applied; }, std::chrono::seconds(10)));
    ASSERT_EQ(outcome.moved.size(), 2u);
    EXPECT_TRUE(tree.exists("d/Tax Return 2024.txt"));
    EXPECT_TRUE(tree.exists("d/Tax Return 2024(1).txt"));
    EXPECT_EQ(renamer->items[1].filePath, tree.path("d/Tax Return 2024(1).txt"));
}

TEST(RenamerFileListTest, AdmissionRulesAndNotices) {
    TempTree tree;
    RenamerFileList list;
    const std::string pdf = tree.fileOfSize("big.pdf", 21'000'000);
    const std::string png = tree.fileOfSize("big.png", 21'000'000);
    const std::string md = tree.file("a.markdown", "x");
    const std::string txt = tree.file("a.txt", "x");
    EXPECT_EQ(list.dragDrop({txt, pdf, png, md, txt}), 2u);
    ASSERT_EQ(list.folderItems.size(), 2u);
    EXPECT_EQ(list.folderItems[1].filePath, png);
    EXPECT_TRUE(list.folderItems[0].identity.has_value());
    EXPECT_EQ(list.notices(),
              (std::vector<std::string>{"big.pdf failed to add, exceeds limit",
                                        "a.markdown not supported", "a.txt already exists"}));
    EXPECT_EQ(list.failedItems[2].reason, FailedReason::duplicate);
    list.dragDrop({tree.file("b.json", "{}")});
    EXPECT_EQ(list.notices(), std::vector<std::string>{"All files added successfully"});
}

TEST(NoticeQueueTest, NeverMoreThanSevenAtOnce) {
    NoticeQueue q;
    std::vector<std::string> ten;
    for (int i = 0; i < 10; ++i) ten.push_back("n" + std::to_string(i));
    q.enqueue(ten);
    const auto first = q.nextBatch();
    EXPECT_EQ(first.size(), 7u);
    EXPECT_EQ(first.front(), "n0");
    EXPECT_TRUE(q.nextBatch().empty());  // the first batch is still showing
    EXPECT_EQ(q.pending(), 3u);
    q.batchDismissed();
    const auto second = q.nextBatch();
    EXPECT_EQ(second, (std::vector<std::string>{"n7", "n8", "n9"}));
    q.batchDismissed();
    EXPECT_TRUE(q.nextBatch().empty());
}
