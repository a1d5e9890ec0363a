// `orvane duplicates --auto-select --remove ...`, run as a user would run it.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/TempTree.h"

#ifdef ORVANE_CLI_PATH

using orvane::testing::ScopedHome;
using orvane::testing::TempTree;

namespace {

struct CliResult {
    int code = -1;
    std::string out, err;
};

class RemovalCli : public ::testing::Test {
protected:
    TempTree tree;
    ScopedHome home{tree};

    void SetUp() override {
        for (const char* d : {"data/a", "data/b", "data/c"}) {
            tree.file(std::string(d) + "/photo.jpg", std::string(3000, 'p'));
            tree.file(std::string(d) + "/note.txt", "the same note");
        }
        tree.file("data/a/unique.txt", "only one");
    }

    CliResult run(const std::string& args) {
        const std::string cmd = std::string("'") + ORVANE_CLI_PATH + "' duplicates -q '" +
                                tree.path("data") + "' " + args + " >'" + tree.path("out") +
                                "' 2>'" + tree.path("err") + "'";
        const int status = std::system(cmd.c_str());
        CliResult r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = tree.read("out");
        r.err = tree.read("err");
        return r;
    }
};

}  // namespace

TEST_F(RemovalCli, DryRunListsTheCopiesAndTouchesNothing) {
    const CliResult r = run("--auto-select --remove delete --dry-run");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("would delete " + tree.path("data/b/photo.jpg")), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("would delete " + tree.path("data/c/note.txt")), std::string::npos);
    EXPECT_EQ(r.out.find("would delete " + tree.path("data/a/")), std::string::npos);
    EXPECT_NE(r.out.find("Would delete 4 files (6.03 KB) for good; nothing was touched.\n"),
              std::string::npos)
        << r.out;
    for (const char* f :
         {"data/b/photo.jpg", "data/c/photo.jpg", "data/b/note.txt", "data/c/note.txt"})
        EXPECT_TRUE(tree.exists(f)) << f;
}

TEST_F(RemovalCli, MoveKeepsTheFirstCopyOfEachGroup) {
    tree.dir("kept");
    const CliResult r = run("--auto-select --remove move=" + tree.path("kept"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("moved " + tree.path("data/b/photo.jpg")), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Moved 4 files (6.03 KB) to " + tree.path("kept") +
                         "; 0 failed; 0 left in place.\n"),
              std::string::npos)
        << r.out;
    EXPECT_TRUE(tree.exists("data/a/photo.jpg") && tree.exists("data/a/note.txt"));
    EXPECT_FALSE(tree.exists("data/b/photo.jpg") || tree.exists("data/c/note.txt"));
    EXPECT_TRUE(tree.exists("kept/photo.jpg") && tree.exists("kept/note.txt"));
    EXPECT_TRUE(tree.exists("data/a/unique.txt"));
}

TEST_F(RemovalCli, ATreeWithoutCopiesSaysSo) {
    std::filesystem::remove_all(tree.path("data/b"));
    std::filesystem::remove_all(tree.path("data/c"));
    CliResult r = run("");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "No duplicates found.\n");
    r = run("--json");
    EXPECT_EQ(r.out.find("No duplicates"), std::string::npos) << "JSON stays one object";
    r = run("--auto-select --remove trash");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "No duplicates found.\nNothing to remove.\n");
}

TEST_F(RemovalCli, OneCopyToRemoveIsOneFile) {
    std::filesystem::remove_all(tree.path("data/c"));
    std::filesystem::remove_all(tree.path("data/b/note.txt"));
    const CliResult r = run("--auto-select --remove trash --dry-run");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("3000 bytes each (3 KB), 2 files\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Would move 1 file (3 KB) to the Trash; nothing was touched.\n"),
              std::string::npos)
        << r.out;
}

TEST_F(RemovalCli, AutoSelectKeepsTheFirstTheOldestOrTheNewestCopy) {
    tree.setMtime("data/a/photo.jpg", 1'700'000'000);
    tree.setMtime("data/b/photo.jpg", 1'500'000'000);
    tree.setMtime("data/c/photo.jpg", 1'600'000'000);
    auto goes = [&](const std::string& rule, const char* rel) {
        const CliResult r = run(rule + " --remove trash --dry-run");
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

    const CliResult wrong = run("--auto-select newest --remove trash");
    EXPECT_EQ(wrong.code, 2);
    EXPECT_NE(wrong.err.find("'newest' is not first, new or old"), std::string::npos) << wrong.err;
}

TEST_F(RemovalCli, HelpNamesTheKindsOfFilesNeverCompared) {
    const std::string cmd =
        std::string("'") + ORVANE_CLI_PATH + "' duplicates --help >'" + tree.path("out") + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string help = tree.read("out");
    EXPECT_NE(help.find("Never compared: files with the extensions framework, dylib, json"),
              std::string::npos)
        << help;
    EXPECT_NE(help.find(", py (source, configuration and data files"), std::string::npos) << help;
    EXPECT_NE(help.find("--auto-select [first|new|old]"), std::string::npos) << help;
}

TEST_F(RemovalCli, UnclearRequestsAreRefusedBeforeScanning) {
    EXPECT_EQ(run("--remove trash").code, 2);
    EXPECT_EQ(run("--auto-select --remove shred").code, 2);
    EXPECT_EQ(run("--auto-select --remove move=" + tree.path("missing")).code, 2);
    EXPECT_EQ(run("--dry-run").code, 2);
    EXPECT_EQ(run("--auto-select --remove trash --json").code, 2);
    EXPECT_TRUE(tree.exists("data/b/photo.jpg"));
}

#endif
