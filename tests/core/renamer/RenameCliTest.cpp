// `orvane rename`, run as a user would run it, against a private HOME.
#include "support/CliTest.h"

using orvane::testing::HasSubstr;

namespace {

struct RenameCli : orvane::testing::CliTest {
    std::string docs = tree.dir("docs");

    orvane::testing::CliRun rename(const std::string& args) { return orvane("rename " + args); }
};

}  // namespace

TEST_F(RenameCli, ShowsNamesWithoutRenamingUntilAsked) {
    tree.file("docs/a.txt", "Holiday Packing List\nsocks");
    tree.file("docs/b.md", "# Recipe Ideas\nsoup");
    const auto dry = rename("--order 1 " + q("docs/a.txt") + " " + q("docs/b.md"));
    ASSERT_EQ(dry.code, 0) << dry.err;
    EXPECT_EQ(dry.out, tree.path("docs/a.txt") + " → Holiday Packing List.txt\n" +
                           tree.path("docs/b.md") + " → Recipe Ideas.md\n");
    EXPECT_TRUE(tree.exists("docs/a.txt"));

    const auto applied = rename("--apply --json " + q("docs/a.txt") + " " + q("docs/b.md"));
    ASSERT_EQ(applied.code, 0) << applied.err;
    const auto j = json(applied);
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
    const auto j = json(r);
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
    EXPECT_THAT(down.err, HasSubstr("f.txt"));
    EXPECT_TRUE(tree.exists("docs/f.txt"));
}
