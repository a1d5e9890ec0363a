#include <gio/gio.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>

#include "Groups.h"
#include "core/duplicates/DuplicateSelection.h"
#include "core/files/RemoveOperation.h"
#include "kit/OperationQueue.h"
#include "platform/linux/GioTrash.h"

using namespace orvane::duplicates;
using namespace orvane::duplicates::testing;
using orvane::testing::TempTree;

namespace {

// One removal run against real files, with the driver's flags and counters kept here.
struct RemovalRun {
    explicit RemovalRun(RemoveType type, std::string folder = {},
                        FreeSpaceReader reader = systemFreeSpaceReader())
        : remover(&trash, std::move(reader)) {
        auto ctx = std::make_shared<RemoveRunContext>();
        ctx->remover = &remover;
        ctx->type = std::move(type);
        ctx->folder = std::move(folder);
        ctx->removeStop = &removeStop;
        ctx->freeSizeNotEnought = &freeSizeNotEnought;
        ctx->forceRemove = &forceRemove;
        ctx->removeQueue = &queue;
        ctx->onFailure = [this](const FileInfo&) { ++failed; };
        ctx->askForceRemove = [this](const std::string& volume, std::function<void(bool)> answer) {
            asked.push_back(volume);
            answer(answerYes);
        };
        context = ctx;
    }

    void remove(const std::vector<DuplicateFilesPtr>& groups) {
        for (const auto& g : groups) {
            auto op = std::make_shared<RemoveOperation>(g, context);
            op->removeBlock = [this](const std::shared_ptr<FileInfo>& f, FileType kind,
                                     const RemovalResult&) {
                std::lock_guard lock(mutex);
                removed.push_back(f->path());
                kinds.push_back(kind);
            };
            queue.addOperation(op);
        }
        queue.waitUntilAllOperationsAreFinished();
    }

    orvane::platform::GioTrash trash;
    FileRemover remover;
    std::shared_ptr<const RemoveRunContext> context;
    std::atomic<bool> removeStop{false}, freeSizeNotEnought{false}, forceRemove{false};
    orvane::kit::OperationQueue queue{"remove", 1};
    std::mutex mutex;
    std::vector<std::string> removed;
    std::vector<FileType> kinds;
    std::vector<std::string> asked;
    bool answerYes = false;
    int failed = 0;
};

}  // namespace

TEST(RemoveOperation, DeletesTheSelectedCopiesAndKeepsTheRest) {
    TempTree t;
    auto g = groupOf(t, {"a/song.mp3", "b/song.mp3", "c/song.mp3"}, "tune");
    DuplicateSelection::autoSelect({g});
    RemovalRun run(RemoveType::forever());
    run.remove({g});
    EXPECT_TRUE(t.exists("a/song.mp3"));
    EXPECT_FALSE(t.exists("b/song.mp3"));
    EXPECT_FALSE(t.exists("c/song.mp3"));
    EXPECT_EQ(memberNames(*g), std::vector<std::string>{"song.mp3"});
    EXPECT_EQ(g->infos()[0]->path(), t.path("a/song.mp3"));
    EXPECT_EQ(g->totalSize, 4u);
    EXPECT_EQ(run.removed.size(), 2u);
    EXPECT_EQ(run.kinds, (std::vector<FileType>{FileType::audio, FileType::audio}));
    EXPECT_EQ(run.failed, 0);
}

TEST(RemoveOperation, TrashModeLeavesRestorableItems) {
    TempTree t;
    auto g = groupOf(t, {"a/photo.jpg", "b/photo.jpg"}, "pixels");
    DuplicateSelection::autoSelect({g});
    RemovalRun run(RemoveType::trash());
    run.remove({g});
    EXPECT_FALSE(t.exists("b/photo.jpg"));
    EXPECT_TRUE(t.exists("a/photo.jpg"));
    const std::string info = std::string(g_get_user_data_dir()) + "/Trash/info";
    bool found = false;
    for (const auto& e : std::filesystem::directory_iterator(info)) {
        std::ifstream in(e.path());
        std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        found = found || all.find("Path=" + t.path("b/photo.jpg")) != std::string::npos;
    }
    EXPECT_TRUE(found);
}

TEST(RemoveOperation, MoveModeUsesFreeNamesInTheFolder) {
    TempTree t;
    const std::string dest = t.dir("collected");
    t.file("collected/report.pdf", "already here");
    auto g = groupOf(t, {"a/report.pdf", "b/report.pdf", "c/report.pdf"}, "pages");
    DuplicateSelection::autoSelect({g});
    RemovalRun run(RemoveType::folder(dest), dest);
    run.remove({g});
    EXPECT_EQ(run.failed, 0);
    EXPECT_EQ(t.read("collected/report.pdf"), "already here");
    std::size_t moved = 0;
    for (const auto& e : std::filesystem::directory_iterator(dest))
        if (e.path().filename() != "report.pdf") {
            ++moved;
            EXPECT_EQ(e.path().extension(), ".pdf");
        }
    EXPECT_EQ(moved, 2u);
    EXPECT_EQ(g->count(), 1u);
}

TEST(RemoveOperation, VanishedAndReplacedFilesAreReportedAndLeft) {
    TempTree t;
    auto g = groupOf(t, {"a/v.txt", "b/v.txt", "c/v.txt", "d/v.txt"}, "same");
    DuplicateSelection::autoSelect({g});
    std::filesystem::remove(t.path("b/v.txt"));
    std::filesystem::remove(t.path("c/v.txt"));
    t.file("c/v.txt", "other content, other size");
    RemovalRun run(RemoveType::forever());
    run.remove({g});
    EXPECT_EQ(run.failed, 2);
    ASSERT_EQ(g->count(), 3u);  // d went; b and c stay with their errors
    const auto& b = g->infos()[1];
    ASSERT_TRUE(b->removeError);
    EXPECT_EQ(b->removeError->code, 1);
    EXPECT_EQ(b->removeError->description,
              "The folder does not exist. Please choose another one. It may be moved, renamed "
              "or deleted.");
    EXPECT_FALSE(b->selected);
    const auto& c = g->infos()[2];
    ASSERT_TRUE(c->removeError);
    EXPECT_EQ(c->removeError->code, kRemoveErrorChanged);
    EXPECT_EQ(t.read("c/v.txt"), "other content, other size");
    EXPECT_FALSE(t.exists("d/v.txt"));
}

TEST(RemoveOperation, NeverRemovesTheLastCopyWhenTheKeptOneVanished) {
    TempTree t;
    auto g = groupOf(t, {"a/k.doc", "b/k.doc", "c/k.doc"}, "keep one");
    DuplicateSelection::autoSelect({g});
    std::filesystem::remove(t.path("a/k.doc"));  // the copy meant to stay
    RemovalRun run(RemoveType::trash());
    run.remove({g});
    EXPECT_TRUE(t.exists("b/k.doc") && t.exists("c/k.doc"));
    EXPECT_EQ(run.failed, 3);  // the vanished one, and the two that must stay now
    ASSERT_TRUE(g->infos()[1]->removeError);
    EXPECT_EQ(g->infos()[1]->removeError->code, kRemoveErrorLastCopy);

    // Moving them elsewhere loses nothing, so it goes ahead.
    const std::string dest = t.dir("dest");
    RemovalRun move(RemoveType::folder(dest), dest);
    move.remove({g});
    EXPECT_FALSE(t.exists("b/k.doc") || t.exists("c/k.doc"));

    // Every copy checked on purpose: all of them go.
    auto all = groupOf(t, {"x/all.txt", "y/all.txt"}, "all");
    DuplicateSelection::setGroupChecked(*all, true);
    RemovalRun forever(RemoveType::forever());
    forever.remove({all});
    EXPECT_FALSE(t.exists("x/all.txt") || t.exists("y/all.txt"));
}

TEST(RemoveOperation, StopLeavesEverythingUntouched) {
    TempTree t;
    auto g = groupOf(t, {"a/s", "b/s"}, "x");
    DuplicateSelection::autoSelect({g});
    RemovalRun run(RemoveType::forever());
    run.removeStop = true;
    run.remove({g});
    EXPECT_TRUE(t.exists("b/s"));
    EXPECT_EQ(g->count(), 2u);
}

TEST(RemoveOperation, NoRoomOnTheOtherDiskAsksAndAYesDeletesLaterFiles) {
    TempTree t;
    if (::access("/dev/shm", W_OK) != 0 || !FileRemover::needsCopy(t.root(), "/dev/shm"))
        GTEST_SKIP() << "no second writable file system here";
    char tmpl[] = "/dev/shm/orvane-room-XXXXXX";
    ASSERT_TRUE(::mkdtemp(tmpl));
    const std::string dest = tmpl;
    auto first = groupOf(t, {"a/big.mov", "b/big.mov"}, std::string(1000, 'm'));
    auto second = groupOf(t, {"a/huge.mov", "b/huge.mov"}, std::string(2000, 'h'));
    DuplicateSelection::autoSelect({first, second});

    // The disk seems to hold 10 bytes: the first copy does not fit.
    RemovalRun run(RemoveType::folder(dest), dest, [](const std::string&) { return 10u; });
    run.answerYes = true;
    run.remove({first, second});
    ASSERT_EQ(run.asked.size(), 1u);
    EXPECT_FALSE(run.asked[0].empty());
    EXPECT_TRUE(run.freeSizeNotEnought);
    EXPECT_TRUE(run.forceRemove);
    EXPECT_FALSE(run.queue.isSuspended());
    // The file at hand was passed over, neither removed nor failed.
    EXPECT_TRUE(t.exists("b/big.mov"));
    EXPECT_TRUE(first->infos()[1]->selected);
    EXPECT_FALSE(first->infos()[1]->removeError);
    // After the yes the next group's copy is deleted, not moved.
    EXPECT_FALSE(t.exists("b/huge.mov"));
    EXPECT_TRUE(std::filesystem::is_empty(dest));
    EXPECT_EQ(run.failed, 0);
    std::filesystem::remove_all(dest);
}

TEST(RemoveOperation, NoAnswerMeansNothingIsDeletedForGood) {
    TempTree t;
    if (::access("/dev/shm", W_OK) != 0 || !FileRemover::needsCopy(t.root(), "/dev/shm"))
        GTEST_SKIP() << "no second writable file system here";
    char tmpl[] = "/dev/shm/orvane-room-XXXXXX";
    ASSERT_TRUE(::mkdtemp(tmpl));
    const std::string dest = tmpl;
    auto g = groupOf(t, {"a/x.bin", "b/x.bin"}, std::string(100, 'x'));
    auto h = groupOf(t, {"a/y.bin", "b/y.bin"}, std::string(5, 'y'));
    DuplicateSelection::autoSelect({g, h});
    RemovalRun run(RemoveType::folder(dest), dest, [](const std::string&) { return 50u; });
    run.answerYes = false;
    run.remove({g, h});
    EXPECT_FALSE(run.forceRemove);
    EXPECT_TRUE(t.exists("b/x.bin"));
    // Later items are moved as asked (the small one fits in any case).
    EXPECT_FALSE(t.exists("b/y.bin"));
    EXPECT_FALSE(std::filesystem::is_empty(dest));
    std::filesystem::remove_all(dest);
}

TEST(RemoveOperation, UnreadableFreeSpacePassesTheFileOver) {
    TempTree t;
    if (::access("/dev/shm", W_OK) != 0 || !FileRemover::needsCopy(t.root(), "/dev/shm"))
        GTEST_SKIP() << "no second writable file system here";
    char tmpl[] = "/dev/shm/orvane-room-XXXXXX";
    ASSERT_TRUE(::mkdtemp(tmpl));
    const std::string dest = tmpl;
    auto g = groupOf(t, {"a/z", "b/z"}, "zz");
    DuplicateSelection::autoSelect({g});
    RemovalRun run(RemoveType::folder(dest), dest,
                   [](const std::string&) -> std::optional<std::uint64_t> { return std::nullopt; });
    run.remove({g});
    EXPECT_TRUE(t.exists("b/z"));
    EXPECT_EQ(run.failed, 0);
    EXPECT_TRUE(run.asked.empty());
    std::filesystem::remove_all(dest);
}
