// `orvane large-files`, run as a user would run it, against a private HOME.
#include "support/CliTest.h"

#ifdef ORVANE_CLI_PATH

namespace {

using orvane::testing::CliRun;
using orvane::testing::HasSubstr;
using orvane::testing::Not;

class LargeFilesCli : public orvane::testing::CliTest {
protected:
    CliRun run(const std::string& args) { return orvane("large-files " + args); }
};

TEST_F(LargeFilesCli, JsonHoldsAllSixteenGroupsWithTheirFiles) {
    tree.sparseFile("data/movie.mkv", 600'000'000);
    tree.sparseFile("data/deep/er/report.pdf", 10'000'000);
    tree.sparseFile("data/small.bin", 9'999'999);
    tree.setMtime("data/movie.mkv", 1'500'000'000);
    const CliRun r = run("--json " + q("data"));
    ASSERT_EQ(r.code, 0) << r.err;
    const auto doc = json(r);
    const auto& groups = doc.at("groups");
    ASSERT_EQ(groups.size(), 16u);
    for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(groups[i].at("index"), i);
    EXPECT_EQ(groups[0].at("count"), 2);
    EXPECT_EQ(groups[0].at("size"), 610'000'000);
    const auto& files = groups[0].at("files");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].at("path"), tree.path("data/movie.mkv")) << "biggest first";
    EXPECT_EQ(files[0].at("size"), 600'000'000);
    EXPECT_EQ(files[0].at("mtime"), 1'500'000'000);
    EXPECT_EQ(groups[3].at("count"), 1);   // 500 MB to 1 GB
    EXPECT_EQ(groups[5].at("count"), 1);   // older than a year
    EXPECT_EQ(groups[10].at("count"), 1);  // documents
    EXPECT_EQ(groups[13].at("count"), 1);  // video
    EXPECT_EQ(groups[15].at("count"), 0);
    EXPECT_EQ(groups[1].at("name"), "above5G") << "the identifier scripts match on stays";
    EXPECT_EQ(groups[3].at("title"), "500 MB to 1 GB");
}

TEST_F(LargeFilesCli, SkippedEntriesAreToldAndStrictFails) {
    tree.sparseFile("data/movie.mkv", 20'000'000);
    tree.deepChain("data/deep", "buried.mkv", "x");
    const CliRun plain = run(q("data"));
    EXPECT_EQ(plain.code, 0) << plain.err;
    EXPECT_THAT(plain.err,
                HasSubstr("orvane large-files: 1 entry was skipped: 1 path too long.\n"));
    EXPECT_THAT(plain.out, HasSubstr(tree.path("data/movie.mkv")));

    const CliRun strict = run("--strict --json " + q("data"));
    EXPECT_EQ(strict.code, 1) << strict.err;
    const auto doc = json(strict);
    EXPECT_EQ(doc.at("skipped").at("tooLongPaths"), 1);
    EXPECT_EQ(doc.at("groups")[0].at("count"), 1);
}

TEST_F(LargeFilesCli, HardLinksAndLinksDoNotSwellTheTotals) {
    tree.sparseFile("data/movie.mkv", 20'000'000);
    tree.hardlink("data/movie.mkv", "data/copy/movie.mkv");
    tree.symlink(tree.path("data/movie.mkv"), "data/shortcut.mkv");
    const CliRun r = run("--strict --json " + q("data"));
    ASSERT_EQ(r.code, 0) << r.err;
    const auto doc = json(r);
    EXPECT_EQ(doc.at("groups")[0].at("count"), 3);
    EXPECT_EQ(doc.at("groups")[0].at("size"), 20'000'000);
    EXPECT_EQ(doc.at("groups")[13].at("size"), 20'000'000);
}

TEST_F(LargeFilesCli, TextShowsTheGroupsByTheirTitles) {
    tree.sparseFile("data/movie.mkv", 600'000'000);
    const CliRun r = run(q("data"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("[0] All files: 1 file, 600 MB\n"));
    EXPECT_THAT(r.out, HasSubstr("[1] Over 5 GB: 0 files, 0 bytes\n"));
    EXPECT_THAT(r.out, HasSubstr("[2] 1 GB to 5 GB: 0 files"));
    EXPECT_THAT(r.out, HasSubstr("[3] 500 MB to 1 GB: 1 file, 600 MB\n"));
    EXPECT_THAT(r.out, HasSubstr("[13] Video: 1 file"));
    for (const char* internal : {"above5G", "tenMBToFiveHundredMB", "reserved", "[15]"})
        EXPECT_THAT(r.out, Not(HasSubstr(internal))) << internal << " in\n" << r.out;
}

TEST_F(LargeFilesCli, NamesThatAreNotUtf8KeepTheirBytes) {
    tree.sparseFile("data/caf\xe9.iso", 20'000'000);
    const CliRun text = run(q("data"));
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_THAT(text.out, HasSubstr(tree.path("data/caf\xe9.iso")));
    const CliRun js = run("--json " + q("data"));
    ASSERT_EQ(js.code, 0);
    EXPECT_THAT(js.out, HasSubstr("caf\\udce9.iso"));
}

TEST_F(LargeFilesCli, RemovesTheChosenGroupsOnlyAndDryRunTouchesNothing) {
    tree.sparseFile("data/clip.mp4", 20'000'000);
    tree.sparseFile("data/disk.iso", 20'000'000);
    tree.dir("kept");
    CliRun r = run("--group 13 --remove " + std::string("'move=") + tree.path("kept") +
                   "' --dry-run " + q("data"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("would move " + tree.path("data/clip.mp4") + "\n"));
    // Worded as `orvane duplicates` words its dry run.
    EXPECT_THAT(r.out, HasSubstr("Would move 1 file (20 MB) to " + tree.path("kept") +
                                 "; nothing was touched.\n"));
    EXPECT_TRUE(tree.exists("data/clip.mp4"));

    r = run("--group 13 --remove " + std::string("'move=") + tree.path("kept") + "' " + q("data"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(tree.exists("kept/clip.mp4"));
    EXPECT_FALSE(tree.exists("data/clip.mp4"));
    EXPECT_TRUE(tree.exists("data/disk.iso"));
    EXPECT_THAT(r.out, HasSubstr("moved " + tree.path("data/clip.mp4") + "\n"));
    EXPECT_THAT(r.out, HasSubstr("Moved 1 file (20 MB) to " + tree.path("kept") +
                                 "; 0 failed; 0 left in place.\n"));
}

TEST_F(LargeFilesCli, BadArgumentsAreRefusedWithAMessage) {
    tree.dir("data");
    CliRun r = run("--group 0 --remove shred " + q("data"));
    EXPECT_EQ(r.code, 2);
    EXPECT_THAT(r.err, HasSubstr("trash, delete or move=DIR"));
    r = run(q("missing"));
    EXPECT_EQ(r.code, 2);
    EXPECT_THAT(r.err, HasSubstr("cannot read folder"));
    r = run("--remove trash " + q("data"));
    EXPECT_EQ(r.code, 2) << "removal needs a chosen group";
    r = run("--group 15 " + q("data"));
    EXPECT_EQ(r.code, 2) << "the reserved group cannot be chosen";
}

}  // namespace

#endif
