// `orvane duplicates`, run as a user would run it: listing, removal and what it says about
// folders it could not look into.
#include <unistd.h>

#include <filesystem>

#include "support/CliTest.h"

#ifdef ORVANE_CLI_PATH

namespace {

using orvane::testing::CliRun;
using orvane::testing::HasSubstr;
using orvane::testing::Not;

class DuplicatesCli : public orvane::testing::CliTest {
protected:
    void SetUp() override {
        for (const char* d : {"data/a", "data/b", "data/c"}) {
            tree.file(std::string(d) + "/photo.jpg", std::string(3000, 'p'));
            tree.file(std::string(d) + "/note.txt", "the same note");
        }
        tree.file("data/a/unique.txt", "only one");
    }
    // As a user: a locked folder locks the program out even when the tests run as root.
    CliRun run(const std::string& args) {
        return orvaneAsUser("duplicates -q " + q("data") + " " + args);
    }
};

}  // namespace

TEST_F(DuplicatesCli, DryRunListsTheCopiesAndTouchesNothing) {
    const CliRun r = run("--auto-select --remove delete --dry-run");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("would delete " + tree.path("data/b/photo.jpg")));
    EXPECT_THAT(r.out, HasSubstr("would delete " + tree.path("data/c/note.txt")));
    EXPECT_THAT(r.out, Not(HasSubstr("would delete " + tree.path("data/a/"))));
    EXPECT_THAT(r.out,
                HasSubstr("Would delete 4 files (6.03 KB) for good; nothing was touched.\n"));
    for (const char* f :
         {"data/b/photo.jpg", "data/c/photo.jpg", "data/b/note.txt", "data/c/note.txt"})
        EXPECT_TRUE(tree.exists(f)) << f;
}

TEST_F(DuplicatesCli, MoveKeepsTheFirstCopyOfEachGroup) {
    tree.dir("kept");
    const CliRun r = run("--auto-select --remove move=" + tree.path("kept"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("moved " + tree.path("data/b/photo.jpg")));
    EXPECT_THAT(r.out, HasSubstr("Moved 4 files (6.03 KB) to " + tree.path("kept") +
                                 "; 0 failed; 0 left in place.\n"));
    EXPECT_TRUE(tree.exists("data/a/photo.jpg") && tree.exists("data/a/note.txt"));
    EXPECT_FALSE(tree.exists("data/b/photo.jpg") || tree.exists("data/c/note.txt"));
    EXPECT_TRUE(tree.exists("kept/photo.jpg") && tree.exists("kept/note.txt"));
    EXPECT_TRUE(tree.exists("data/a/unique.txt"));
}

TEST_F(DuplicatesCli, ATreeWithoutCopiesSaysSo) {
    std::filesystem::remove_all(tree.path("data/b"));
    std::filesystem::remove_all(tree.path("data/c"));
    CliRun r = run("");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "No duplicates found.\n");
    r = run("--json");
    EXPECT_THAT(r.out, Not(HasSubstr("No duplicates"))) << "JSON stays one object";
    r = run("--auto-select --remove trash");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "No duplicates found.\nNothing to remove.\n");
}

TEST_F(DuplicatesCli, OneCopyToRemoveIsOneFile) {
    std::filesystem::remove_all(tree.path("data/c"));
    std::filesystem::remove_all(tree.path("data/b/note.txt"));
    const CliRun r = run("--auto-select --remove trash --dry-run");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("3000 bytes each (3 KB), 2 files\n"));
    EXPECT_THAT(r.out, HasSubstr("Would move 1 file (3 KB) to the Trash; nothing was touched.\n"));
}

TEST_F(DuplicatesCli, AutoSelectKeepsTheFirstTheOldestOrTheNewestCopy) {
    tree.setMtime("data/a/photo.jpg", 1'700'000'000);
    tree.setMtime("data/b/photo.jpg", 1'500'000'000);
    tree.setMtime("data/c/photo.jpg", 1'600'000'000);
    auto goes = [&](const std::string& rule, const char* rel) {
        const CliRun r = run(rule + " --remove trash --dry-run");
        EXPECT_EQ(r.code, 0) << rule << ": " << r.err;
        return r.out.find("would trash " + tree.path(rel) + "\n") != std::string::npos;
    };
    for (const std::string rule : {"--auto-select", "--auto-select=first", "--auto-select first"}) {
        EXPECT_FALSE(goes(rule, "data/a/photo.jpg")) << rule;
        EXPECT_TRUE(goes(rule, "data/b/photo.jpg")) << rule;
    }
    // new: the oldest copy (b) stays, the newer ones go.
    EXPECT_FALSE(goes("--auto-select new", "data/b/photo.jpg"));
    EXPECT_TRUE(goes("--auto-select new", "data/a/photo.jpg"));
    EXPECT_TRUE(goes("--auto-select=new", "data/c/photo.jpg"));
    // old: the newest copy (a) stays.
    EXPECT_FALSE(goes("--auto-select old", "data/a/photo.jpg"));
    EXPECT_TRUE(goes("--auto-select old", "data/b/photo.jpg"));

    const CliRun wrong = run("--auto-select newest --remove trash");
    EXPECT_EQ(wrong.code, 2);
    EXPECT_THAT(wrong.err, HasSubstr("'newest' is not first, new or old"));
}

TEST_F(DuplicatesCli, KeepsACacheUnlessToldNotToAndPrintsTheSameEitherWay) {
    const std::string cacheRel = "home/.cache/com.orvane.app/duplicate-scan";
    const CliRun uncached = run("--json --no-cache");
    ASSERT_EQ(uncached.code, 0) << uncached.err;
    EXPECT_FALSE(tree.exists(cacheRel));
    EXPECT_THAT(uncached.out, HasSubstr("note.txt"));
    EXPECT_EQ(run("--json").out, uncached.out);
    EXPECT_TRUE(tree.exists(cacheRel));
    EXPECT_EQ(run("--json").out, uncached.out);
}

TEST_F(DuplicatesCli, HelpNamesTheKindsOfFilesNeverComparedAndStrict) {
    const CliRun r = orvane("duplicates --help");
    ASSERT_EQ(r.code, 0);
    EXPECT_THAT(r.out,
                HasSubstr("Never compared: files with the extensions framework, dylib, json"));
    EXPECT_THAT(r.out, HasSubstr(", py (source, configuration and data files"));
    EXPECT_THAT(r.out, HasSubstr("--auto-select [first|new|old]"));
    EXPECT_THAT(r.out, HasSubstr("--strict"));
}

TEST_F(DuplicatesCli, UnclearRequestsAreRefusedBeforeScanning) {
    EXPECT_EQ(run("--remove trash").code, 2);
    EXPECT_EQ(run("--auto-select --remove shred").code, 2);
    EXPECT_EQ(run("--auto-select --remove move=" + tree.path("missing")).code, 2);
    EXPECT_EQ(run("--dry-run").code, 2);
    EXPECT_EQ(run("--auto-select --remove trash --json").code, 2);
    EXPECT_TRUE(tree.exists("data/b/photo.jpg"));
}

TEST_F(DuplicatesCli, NothingSkippedSaysNothingAndStrictSucceeds) {
    // Broken links hold nothing anyone could be refused: they are not unreadable files.
    tree.symlink(tree.path("data/nowhere"), "data/a/dangling.jpg");
    tree.symlink("loop.jpg", "data/a/loop.jpg");
    const CliRun r = run("--strict");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_THAT(r.out, HasSubstr(tree.path("data/b/photo.jpg")));
}

TEST_F(DuplicatesCli, SkippedEntriesAreToldAndStrictFails) {
    tree.file("data/locked/photo.jpg", std::string(3000, 'p'));
    tree.chmod("data/locked", 0);
    tree.deepChain("data/deep", "photo.jpg", std::string(3000, 'p'));

    const CliRun plain = run("");
    EXPECT_EQ(plain.code, 0) << plain.err;
    EXPECT_THAT(plain.err, HasSubstr("orvane duplicates: 2 entries were skipped: 1 unreadable "
                                     "folder, 1 path too long.\n"));
    // The groups that could be read are still reported.
    EXPECT_THAT(plain.out, HasSubstr(tree.path("data/b/photo.jpg")));

    const CliRun strict = run("--strict");
    EXPECT_EQ(strict.code, 1) << strict.err;
    EXPECT_THAT(strict.err, HasSubstr("2 entries were skipped"));

    const CliRun js = run("--json --strict");
    EXPECT_EQ(js.code, 1);
    const auto doc = json(js);
    EXPECT_EQ(doc.at("skipped").at("unreadableFolders"), 1);
    EXPECT_EQ(doc.at("skipped").at("tooLongPaths"), 1);
    EXPECT_EQ(doc.at("skipped").at("unreadableFiles"), 0);
}

TEST_F(DuplicatesCli, StrictStillRemovesWhatWasReadThenFails) {
    tree.file("data/locked/x", "x");
    tree.chmod("data/locked", 0);
    const CliRun r = run("--strict --auto-select --remove delete");
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_TRUE(tree.exists("data/a/photo.jpg"));
    EXPECT_FALSE(tree.exists("data/b/photo.jpg"));
    EXPECT_THAT(r.err, HasSubstr("1 entry was skipped: 1 unreadable folder."));
}

#endif
