#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/renamer/FileNameRules.h"
#include "core/renamer/RenameJournal.h"
#include "core/renamer/RenameOnDisk.h"
#include "support/TempTree.h"

using namespace orvane::renamer;
using orvane::testing::TempTree;

namespace {

struct Renaming : ::testing::Test {
    TempTree tree;
    RenameJournal journal{tree.path("state/rename-journal")};
    Renaming() { tree.dir("state"); }

    RenamePair pair(const std::string& rel, const std::string& name, bool withIdentity = true) {
        const std::string path = tree.path(rel);
        return {path, name, withIdentity ? FileIdentity::of(path) : std::nullopt};
    }
};

}  // namespace

TEST(FileNameRulesTest, RefusesNamesThatAreNotOneSafeComponent) {
    std::string why;
    EXPECT_EQ(FileNameRules::validated("  Budget 2024  ").value_or(""), "Budget 2024");
    for (const char* bad : {"", "   ", ".", "..", "../etc/passwd", "a/b", ".hidden", "tab\there",
                            "new\nline", "bell\x07"}) {
        EXPECT_FALSE(FileNameRules::validated(bad, &why)) << bad;
        EXPECT_FALSE(why.empty());
    }
    EXPECT_FALSE(FileNameRules::validated(std::string(256, 'a')));
    EXPECT_TRUE(FileNameRules::validated(std::string(255, 'a')));
    EXPECT_EQ(FileNameRules::withExtensionOf("Summary", "/x/a.docx"), "Summary.docx");
    EXPECT_EQ(FileNameRules::withExtensionOf("Summary.pdf", "/x/a.docx"), "Summary.pdf");
    EXPECT_EQ(FileNameRules::withExtensionOf("Summary", "/x/Makefile"), "Summary");
    EXPECT_EQ(FileNameRules::numbered("x.pdf", 2), "x(2).pdf");
    EXPECT_EQ(FileNameRules::numbered("notes", 1), "notes(1)");
}

TEST_F(Renaming, NewNamesKeepTheExtensionAndTakenNamesGetNumbers) {
    tree.file("docs/a.docx", "A");
    tree.file("docs/x.pdf", "existing");
    tree.file("docs/x(1).pdf", "existing too");
    tree.file("docs/scan.pdf", "S");
    const RenameOutcome out =
        applyFileRenames({pair("docs/a.docx", "Summary"), pair("docs/scan.pdf", "x.pdf")}, journal);
    ASSERT_TRUE(out.failed.empty()) << out.failed[0].message;
    ASSERT_EQ(out.moved.size(), 2u);
    EXPECT_EQ(out.moved[0].newPath, tree.path("docs/Summary.docx"));
    EXPECT_EQ(out.moved[1].newPath, tree.path("docs/x(2).pdf"));
    EXPECT_EQ(tree.read("docs/Summary.docx"), "A");
    EXPECT_EQ(tree.read("docs/x(2).pdf"), "S");
    EXPECT_EQ(tree.read("docs/x.pdf"), "existing");
    EXPECT_EQ(tree.read("docs/x(1).pdf"), "existing too");
    EXPECT_FALSE(tree.exists("docs/a.docx"));
}

TEST_F(Renaming, TwoFilesAskingForTheSameNameBothKeepTheirContent) {
    tree.file("r/one.pdf", "1");
    tree.file("r/two.pdf", "2");
    const RenameOutcome out =
        applyFileRenames({pair("r/one.pdf", "Report"), pair("r/two.pdf", "Report")}, journal);
    ASSERT_EQ(out.moved.size(), 2u);
    EXPECT_EQ(tree.read("r/Report.pdf"), "1");
    EXPECT_EQ(tree.read("r/Report(1).pdf"), "2");
}

TEST_F(Renaming, FilesThatChangedOrAreNotRegularAreLeftAlone) {
    auto changed = (tree.file("c/changed.txt", "before"), pair("c/changed.txt", "New"));
    tree.file("c/changed.txt", "after, longer");
    tree.file("c/target.txt", "t");
    tree.symlink(tree.path("c/target.txt"), "c/link.txt");
    auto link = pair("c/link.txt", "Link", false);
    auto gone = (tree.file("c/gone.txt", "g"), pair("c/gone.txt", "Gone"));
    ::unlink(tree.path("c/gone.txt").c_str());
    auto unsafe = (tree.file("c/u.txt", "u"), pair("c/u.txt", "../escape"));

    const RenameOutcome out = applyFileRenames({changed, link, gone, unsafe}, journal);
    EXPECT_TRUE(out.moved.empty());
    ASSERT_EQ(out.failed.size(), 4u);
    EXPECT_EQ(out.failed[0].message, "The file has changed since it was added.");
    EXPECT_EQ(out.failed[1].message, "Only regular files are renamed.");
    EXPECT_EQ(out.failed[2].message, "The file is no longer there.");
    EXPECT_EQ(out.failed[3].message, "A file name cannot contain \"/\".");
    EXPECT_TRUE(tree.exists("c/changed.txt"));
    EXPECT_TRUE(tree.exists("c/u.txt"));
    EXPECT_FALSE(tree.exists("escape.txt"));
    EXPECT_FALSE(journal.lastRun());
}

TEST_F(Renaming, NothingIsRenamedWithoutAJournal) {
    tree.file("j/a.txt", "a");
    RenameJournal unwritable(tree.path("no/such/folder/journal"));
    const RenameOutcome out = applyFileRenames({pair("j/a.txt", "B")}, unwritable);
    ASSERT_EQ(out.failed.size(), 1u);
    EXPECT_TRUE(tree.exists("j/a.txt"));
}

TEST_F(Renaming, UndoPutsTheLastRunBack) {
    tree.file("u/first.txt", "1");
    applyFileRenames({pair("u/first.txt", "Earlier")}, journal);
    tree.file("u/a.txt", "a");
    tree.file("u/b.txt", "b");
    applyFileRenames({pair("u/a.txt", "Alpha"), pair("u/b.txt", "Beta")}, journal);

    const UndoOutcome undo = undoLastRenaming(journal);
    EXPECT_TRUE(undo.hadRun);
    EXPECT_TRUE(undo.refused.empty());
    EXPECT_EQ(undo.restored.size(), 2u);
    EXPECT_EQ(tree.read("u/a.txt"), "a");
    EXPECT_EQ(tree.read("u/b.txt"), "b");
    EXPECT_TRUE(tree.exists("u/Earlier.txt"));

    // The run before is next; then there is nothing left.
    EXPECT_EQ(undoLastRenaming(journal).restored.size(), 1u);
    EXPECT_TRUE(tree.exists("u/first.txt"));
    EXPECT_FALSE(undoLastRenaming(journal).hadRun);
}

TEST_F(Renaming, UndoRefusesFilesChangedSinceOrWhoseOldNameIsTakenAgain) {
    tree.file("v/a.txt", "a");
    tree.file("v/b.txt", "b");
    tree.file("v/c.txt", "c");
    applyFileRenames({pair("v/a.txt", "A2"), pair("v/b.txt", "B2"), pair("v/c.txt", "C2")},
                     journal);
    tree.file("v/A2.txt", "edited");
    tree.file("v/b.txt", "a new file with the old name");

    const UndoOutcome undo = undoLastRenaming(journal);
    ASSERT_EQ(undo.refused.size(), 2u);
    EXPECT_EQ(undo.refused[0].second, "\"b.txt\" exists again.");
    EXPECT_EQ(undo.refused[1].second, "The file has changed since it was renamed.");
    EXPECT_EQ(tree.read("v/A2.txt"), "edited");
    EXPECT_EQ(tree.read("v/b.txt"), "a new file with the old name");
    EXPECT_EQ(tree.read("v/B2.txt"), "b");
    EXPECT_EQ(tree.read("v/c.txt"), "c");
}

TEST_F(Renaming, JournalKeepsNamesWithNewlinesAndInvalidUtf8Exactly) {
    const std::string odd = "line\nbreak \xFF%20.txt";
    tree.file("w/" + odd, "odd");
    const RenameOutcome out = applyFileRenames({pair("w/" + odd, "Plain")}, journal);
    ASSERT_EQ(out.moved.size(), 1u);
    const auto run = journal.lastRun();
    ASSERT_TRUE(run);
    ASSERT_EQ(run->entries.size(), 1u);
    EXPECT_EQ(run->entries[0].oldPath, tree.path("w/" + odd));
    EXPECT_EQ(undoLastRenaming(journal).restored.size(), 1u);
    EXPECT_EQ(tree.read("w/" + odd), "odd");
    EXPECT_EQ(RenameJournal::decodePath(RenameJournal::encodePath(odd)).value_or(""), odd);
    EXPECT_FALSE(RenameJournal::decodePath("bad%2"));
}
