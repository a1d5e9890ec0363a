// What `orvane duplicates` says about folders it could not look into, and --strict.
#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "support/CliRun.h"
#include "support/TempTree.h"

#ifdef ORVANE_CLI_PATH

namespace {

using orvane::testing::CliRun;
using orvane::testing::runCli;
using orvane::testing::ScopedHome;
using orvane::testing::TempTree;

class DuplicatesSkipped : public ::testing::Test {
protected:
    TempTree tree;
    ScopedHome home{tree};

    void SetUp() override {
        tree.file("data/a/photo.jpg", std::string(3000, 'p'));
        tree.file("data/b/photo.jpg", std::string(3000, 'p'));
    }
    // The superuser reads every folder; without the two capabilities that allow it, a locked
    // folder locks it out as it would anyone.
    CliRun run(const std::string& args) {
        const std::string prefix = ::geteuid() == 0
                                       ? "--bounding-set -dac_override,-dac_read_search '" +
                                             std::string(ORVANE_CLI_PATH) + "' "
                                       : std::string();
        const std::string program = ::geteuid() == 0 ? "setpriv" : ORVANE_CLI_PATH;
        return runCli(tree, program, prefix + "duplicates -q '" + tree.path("data") + "' " + args);
    }
};

TEST_F(DuplicatesSkipped, NothingSkippedSaysNothingAndStrictSucceeds) {
    // Broken links hold nothing anyone could be refused: they are not unreadable files.
    tree.symlink(tree.path("data/nowhere"), "data/a/dangling.jpg");
    tree.symlink("loop.jpg", "data/a/loop.jpg");
    const CliRun r = run("--strict");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find(tree.path("data/b/photo.jpg")), std::string::npos) << r.out;
}

TEST_F(DuplicatesSkipped, SkippedEntriesAreToldAndStrictFails) {
    tree.file("data/locked/photo.jpg", std::string(3000, 'p'));
    tree.chmod("data/locked", 0);
    tree.deepChain("data/deep", "photo.jpg", std::string(3000, 'p'));

    const CliRun plain = run("");
    EXPECT_EQ(plain.code, 0) << plain.err;
    EXPECT_NE(plain.err.find("orvane duplicates: 2 entries were skipped: 1 unreadable folder, 1 "
                             "path too long.\n"),
              std::string::npos)
        << plain.err;
    // The groups that could be read are still reported.
    EXPECT_NE(plain.out.find(tree.path("data/b/photo.jpg")), std::string::npos) << plain.out;

    const CliRun strict = run("--strict");
    EXPECT_EQ(strict.code, 1) << strict.err;
    EXPECT_NE(strict.err.find("2 entries were skipped"), std::string::npos) << strict.err;

    const CliRun json = run("--json --strict");
    EXPECT_EQ(json.code, 1);
    const auto doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc.at("skipped").at("unreadableFolders"), 1);
    EXPECT_EQ(doc.at("skipped").at("tooLongPaths"), 1);
    EXPECT_EQ(doc.at("skipped").at("unreadableFiles"), 0);
}

TEST_F(DuplicatesSkipped, StrictStillRemovesWhatWasReadThenFails) {
    tree.file("data/locked/x", "x");
    tree.chmod("data/locked", 0);
    const CliRun r = run("--strict --auto-select --remove delete");
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_TRUE(tree.exists("data/a/photo.jpg"));
    EXPECT_FALSE(tree.exists("data/b/photo.jpg"));
    EXPECT_NE(r.err.find("1 entry was skipped: 1 unreadable folder."), std::string::npos) << r.err;
}

TEST_F(DuplicatesSkipped, HelpNamesStrict) {
    const CliRun r = runCli(tree, ORVANE_CLI_PATH, "duplicates --help");
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("--strict"), std::string::npos);
}

}  // namespace

#endif
