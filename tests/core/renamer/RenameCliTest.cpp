#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/CliRun.h"
#include "support/TempTree.h"

using orvane::testing::runCli;
using orvane::testing::ScopedHome;
using orvane::testing::TempTree;

namespace {

struct RenameCli : ::testing::Test {
    TempTree tree;
    ScopedHome home{tree};
    std::string docs = tree.dir("docs");

    orvane::testing::CliRun rename(const std::string& args) {
        return runCli(tree, ORVANE_CLI_PATH, "rename " + args);
    }
};

}  // namespace

TEST_F(RenameCli, ShowsNamesWithoutRenamingUntilAsked) {
    tree.file("docs/a.txt", "Holiday Packing List\nsocks");
    tree.file("docs/b.md", "# Recipe Ideas\nsoup");
    const auto dry = runCli(
        tree, ORVANE_CLI_PATH,
        "rename --order 1 '" + tree.path("docs/a.txt") + "' '" + tree.path("docs/b.md") + "'");
    ASSERT_EQ(dry.code, 0) << dry.err;
    EXPECT_EQ(dry.out, tree.path("docs/a.txt") + " → Holiday Packing List.txt\n" +
                           tree.path("docs/b.md") + " → Recipe Ideas.md\n");
    EXPECT_TRUE(tree.exists("docs/a.txt"));

    const auto applied = runCli(
        tree, ORVANE_CLI_PATH,
        "rename --apply --json '" + tree.path("docs/a.txt") + "' '" + tree.path("docs/b.md") + "'");
    ASSERT_EQ(applied.code, 0) << applied.err;
    const auto j = nlohmann::json::parse(applied.out);
    ASSERT_EQ(j["files"].size(), 2u);
    EXPECT_EQ(j["files"][0]["path"], tree.path("docs/a.txt"));
    EXPECT_EQ(j["files"][0]["newName"], "Holiday Packing List.txt");
    EXPECT_EQ(j["files"][0]["state"], "success");
    EXPECT_EQ(j["files"][0]["error"], "");
    EXPECT_TRUE(tree.exists("docs/Holiday Packing List.txt"));
    EXPECT_TRUE(tree.exists("docs/Recipe Ideas.md"));

    const auto undo = rename("--undo");
    ASSERT_EQ(undo.code, 0) << undo.err;
    EXPECT_TRUE(tree.exists("docs/a.txt"));
    EXPECT_TRUE(tree.exists("docs/b.md"));
    EXPECT_EQ(rename("--undo").out, "Nothing to undo.\n");
}

TEST_F(RenameCli, RefusedAndFailedFilesAreReportedAndTheRestGoesOn) {
    const std::string good = tree.file("docs/good.txt", "Meeting Notes\n");
    const std::string empty = tree.file("docs/empty.txt", "");
    const std::string odd = tree.file("docs/odd.markdown", "# x");
    const auto r = rename("--json --apply '" + good + "' '" + empty + "' '" + odd + "'");
    EXPECT_EQ(r.code, 1);
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j["files"].size(), 3u);
    EXPECT_EQ(j["files"][0]["error"], "odd.markdown not supported");
    EXPECT_EQ(j["files"][1]["newName"], "Meeting Notes.txt");
    EXPECT_EQ(j["files"][2]["state"], "failed");
    EXPECT_EQ(j["files"][2]["error"], "File content is missing");
    EXPECT_TRUE(tree.exists("docs/Meeting Notes.txt"));
    EXPECT_TRUE(tree.exists("docs/empty.txt"));
}

TEST_F(RenameCli, BadArgumentsAndAnUnreachableServiceAreClearErrors) {
    const std::string f = tree.file("docs/f.txt", "Title\n");
    EXPECT_EQ(rename("--language xx '" + f + "'").code, 2);
    EXPECT_EQ(rename("--order 9 '" + f + "'").code, 2);
    EXPECT_EQ(rename("").code, 2);
    const auto down = rename("--service http://127.0.0.1:9 '" + f + "'");
    EXPECT_EQ(down.code, 1);
    EXPECT_NE(down.err.find("f.txt"), std::string::npos) << down.err;
    EXPECT_TRUE(tree.exists("docs/f.txt"));
}
