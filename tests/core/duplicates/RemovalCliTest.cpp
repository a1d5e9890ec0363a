// `orvane duplicates --auto-select --remove ...`, run as a user would run it.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>

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
    EXPECT_NE(r.out.find("4 files"), std::string::npos);
    for (const char* f :
         {"data/b/photo.jpg", "data/c/photo.jpg", "data/b/note.txt", "data/c/note.txt"})
        EXPECT_TRUE(tree.exists(f)) << f;
}

TEST_F(RemovalCli, MoveKeepsTheFirstCopyOfEachGroup) {
    tree.dir("kept");
    const CliResult r = run("--auto-select --remove move=" + tree.path("kept"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("moved " + tree.path("data/b/photo.jpg")), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Removed 4 files"), std::string::npos);
    EXPECT_TRUE(tree.exists("data/a/photo.jpg") && tree.exists("data/a/note.txt"));
    EXPECT_FALSE(tree.exists("data/b/photo.jpg") || tree.exists("data/c/note.txt"));
    EXPECT_TRUE(tree.exists("kept/photo.jpg") && tree.exists("kept/note.txt"));
    EXPECT_TRUE(tree.exists("data/a/unique.txt"));
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
