#include <gtest/gtest.h>

#include <filesystem>

#include "Groups.h"
#include "core/duplicates/DuplicateSelection.h"
#include "core/settings/UserDefaults.h"

using namespace orvane::duplicates;
using namespace orvane::duplicates::testing;
using orvane::testing::TempTree;
using S = DuplicateSelection;

namespace {

std::vector<std::string> firstNames(const std::vector<DuplicateFilesPtr>& groups) {
    std::vector<std::string> out;
    for (const auto& g : groups) out.push_back(g->count() ? memberNames(*g).front() : "<empty>");
    return out;
}

}  // namespace

TEST(DuplicateSelection, NamesSortLikeAFileBrowser) {
    EXPECT_TRUE(S::localizedStandardLess("file2.txt", "file10.txt"));
    EXPECT_FALSE(S::localizedStandardLess("file10.txt", "file2.txt"));
    EXPECT_TRUE(S::localizedStandardLess("apple", "Banana"));
    EXPECT_TRUE(S::localizedStandardLess("Apple", "banana"));
    EXPECT_FALSE(S::localizedStandardLess("ABC", "abc"));  // case alone does not order
    EXPECT_FALSE(S::localizedStandardLess("abc", "ABC"));
    EXPECT_TRUE(S::localizedStandardLess("img 9.jpg", "IMG 10.jpg"));
    // Invalid UTF-8 still orders without trouble.
    EXPECT_TRUE(S::localizedStandardLess("a", std::string("b\xff")));
}

TEST(DuplicateSelection, ThreeStableOrders) {
    TempTree t;
    auto a = groupOf(t, {"x/File10.txt", "y/File10.txt"}, std::string(100, 'a'));
    auto b = groupOf(t, {"x/file2.txt", "y/file2.txt", "z/file2.txt"}, std::string(50, 'b'));
    auto c = groupOf(t, {"x/alpha.txt", "y/alpha.txt"}, std::string(100, 'c'));
    auto d = std::make_shared<DuplicateFiles>();  // emptied by an earlier removal
    auto e = groupOf(t, {"x/beta.txt", "y/beta.txt"}, std::string(150, 'e'));

    std::vector<DuplicateFilesPtr> groups = {a, b, c, d, e};
    S::sort(groups, GroupSortOrder::size);
    // 300 (e), then the two of 200 in their earlier order (a before c), 150 (b), 0 (d).
    EXPECT_EQ(firstNames(groups), (std::vector<std::string>{"beta.txt", "File10.txt", "alpha.txt",
                                                            "file2.txt", "<empty>"}));

    S::sort(groups, GroupSortOrder::name);
    EXPECT_EQ(firstNames(groups), (std::vector<std::string>{"alpha.txt", "beta.txt", "file2.txt",
                                                            "File10.txt", "<empty>"}));

    // By quantity the three-copy group leads; the two-copy groups keep the name order.
    S::sort(groups, GroupSortOrder::quantity);
    EXPECT_EQ(firstNames(groups), (std::vector<std::string>{"file2.txt", "alpha.txt", "beta.txt",
                                                            "File10.txt", "<empty>"}));
    // Members never move inside a group.
    EXPECT_EQ(memberNames(*groups[0]).size(), 3u);
    EXPECT_EQ(b->infos()[0]->path(), t.path("x/file2.txt"));
}

TEST(DuplicateSelection, AutoSelectKeepsTheFirstCopyAndSurvivesSorting) {
    TempTree t;
    auto big = groupOf(t, {"a/1.bin", "b/1.bin", "c/1.bin"}, std::string(10, '1'));
    auto small = groupOf(t, {"a/2.bin", "b/2.bin"}, std::string(3, '2'));
    std::vector<DuplicateFilesPtr> groups = {small, big};
    S::autoSelect(groups);
    EXPECT_FALSE(big->infos()[0]->selected);
    EXPECT_TRUE(big->infos()[1]->selected && big->infos()[2]->selected);
    EXPECT_EQ(big->selectState, SelectState::mixed);
    EXPECT_EQ(big->uiSelectedSize, 20u);
    EXPECT_EQ(S::totals(groups).count, 3u);
    EXPECT_EQ(S::totals(groups).size, 23u);

    S::sort(groups, GroupSortOrder::size);
    EXPECT_EQ(groups.front(), big);
    EXPECT_FALSE(big->infos()[0]->selected);
    EXPECT_TRUE(big->infos()[2]->selected);

    S::deselectAll(groups);
    for (const auto& g : groups) {
        EXPECT_EQ(g->selectState, SelectState::off);
        EXPECT_EQ(g->uiSelectedSize, 0u);
    }
    EXPECT_EQ(S::totals(groups).count, 0u);
}

TEST(DuplicateSelection, CheckBoxesKeepTheGroupStateInStep) {
    TempTree t;
    auto g = groupOf(t, {"a/f", "b/f", "c/f"}, "12345");
    S::toggleFile(*g, 1);
    EXPECT_EQ(g->selectState, SelectState::mixed);
    EXPECT_EQ(g->uiSelectedSize, 5u);
    S::toggleFile(*g, 1);
    EXPECT_EQ(g->selectState, SelectState::off);
    S::setGroupChecked(*g, true);
    EXPECT_EQ(g->selectState, SelectState::on);
    EXPECT_EQ(g->uiSelectedSize, 15u);
    EXPECT_TRUE(S::everyCopySelected(*g));
    S::toggleFile(*g, 0);
    EXPECT_EQ(g->selectState, SelectState::mixed);
    EXPECT_FALSE(S::everyCopySelected(*g));
    S::setGroupChecked(*g, false);
    EXPECT_EQ(g->selectState, SelectState::off);
    EXPECT_EQ(g->uiSelectedSize, 0u);
    S::toggleFile(*g, 99);  // out of range: nothing happens
    EXPECT_EQ(g->selectState, SelectState::off);
}

TEST(DuplicateSelection, CheckingEveryCopyIsConfirmedOncePerUserAndCanBeUndone) {
    TempTree t;
    orvane::settings::UserDefaults defaults(t.path("defaults.plist"));
    auto g = groupOf(t, {"a/f", "b/f"}, "x");
    S::autoSelect({g});
    const GroupSelectionSnapshot before = S::capture(*g);
    S::toggleFile(*g, 0);  // now every copy is checked
    ASSERT_TRUE(S::needsCompleteConfirmation(*g, defaults));
    // The user declines: the check is undone and the answer remembered.
    S::restore(*g, before);
    S::recordCompleteConfirmation(defaults);
    EXPECT_FALSE(g->infos()[0]->selected);
    EXPECT_EQ(g->selectState, SelectState::mixed);
    EXPECT_EQ(defaults.boolForKey("CompleteScan"), true);

    S::setGroupChecked(*g, true);
    EXPECT_FALSE(S::needsCompleteConfirmation(*g, defaults));
    EXPECT_EQ(g->selectState, SelectState::on);
}

TEST(DuplicateSelection, SelectNewKeepsTheOldestCopyAndSelectOldTheNewest) {
    TempTree t;
    // The originals in Pictures are older than the backup copies, whose paths sort first.
    auto g = groupOf(t, {"Documents/Backup/a.jpg", "Documents/Backup/b/a.jpg", "Pictures/a.jpg"},
                     "the same picture");
    t.setMtime("Pictures/a.jpg", 1'500'000'000);
    t.setMtime("Documents/Backup/a.jpg", 1'700'000'000);
    t.setMtime("Documents/Backup/b/a.jpg", 1'600'000'000);
    auto selected = [&] {
        std::vector<bool> out;
        for (const auto& f : g->infos()) out.push_back(f->selected);
        return out;
    };

    S::selectKeeping({g}, KeepRule::oldest);  // "Select New"
    EXPECT_EQ(selected(), (std::vector<bool>{true, true, false})) << "the original stays";
    EXPECT_EQ(g->selectState, SelectState::mixed);
    S::selectKeeping({g}, KeepRule::newest);  // "Select Old"
    EXPECT_EQ(selected(), (std::vector<bool>{false, true, true}));
    S::selectKeeping({g}, KeepRule::first);  // "Auto select": the smallest path
    EXPECT_EQ(selected(), (std::vector<bool>{false, true, true}));
    EXPECT_EQ(g->uiSelectedSize, 2 * std::string("the same picture").size());

    // Equal times go to the smaller path, whichever way the rule looks.
    t.setMtime("Pictures/a.jpg", 1'600'000'000);
    S::selectKeeping({g}, KeepRule::oldest);
    EXPECT_EQ(S::keptIndex(*g, KeepRule::oldest), 1u)
        << "b/a.jpg ties with Pictures and sorts first";
    t.setMtime("Documents/Backup/a.jpg", 1'600'000'000);
    EXPECT_EQ(S::keptIndex(*g, KeepRule::newest), 0u);

    // A copy that is gone is never the one kept, however old it was.
    t.setMtime("Documents/Backup/a.jpg", 1'000'000'000);
    std::filesystem::remove(t.path("Documents/Backup/a.jpg"));
    EXPECT_EQ(S::keptIndex(*g, KeepRule::oldest), 1u);
    S::selectKeeping({g}, KeepRule::oldest);
    EXPECT_EQ(selected(), (std::vector<bool>{true, false, true}));
}

TEST(DuplicateSelection, AnotherNameOfTheKeptCopyIsNeverSelected) {
    TempTree t;
    // Pictures/a.jpg is the original; Albums/a.jpg is the same file under a second name (a hard
    // link, so it shares its time too) and Backup/a.jpg a real copy.
    t.file("Pictures/a.jpg", "pixels");
    t.hardlink("Pictures/a.jpg", "Albums/a.jpg");
    t.file("Backup/a.jpg", "pixels");
    t.setMtime("Pictures/a.jpg", 1'500'000'000);
    t.setMtime("Backup/a.jpg", 1'700'000'000);
    auto g = std::make_shared<DuplicateFiles>();
    for (const char* rel : {"Albums/a.jpg", "Backup/a.jpg", "Pictures/a.jpg"})
        g->append(scanned(t.path(rel)));
    auto selected = [&] {
        std::vector<std::string> out;
        for (const auto& f : g->infos())
            if (f->selected) out.push_back(f->path().substr(t.path("").size() + 1));
        return out;
    };

    for (KeepRule rule : {KeepRule::first, KeepRule::oldest}) {
        // Both keep one of the two names of the original: the other name frees nothing.
        S::selectKeeping({g}, rule);
        EXPECT_EQ(selected(), std::vector<std::string>{"Backup/a.jpg"}) << static_cast<int>(rule);
        EXPECT_EQ(g->selectState, SelectState::mixed);
        EXPECT_EQ(S::totals({g}).size, std::string("pixels").size());
    }
    // Keeping the backup, both names of the original go: together they do free its bytes.
    S::selectKeeping({g}, KeepRule::newest);
    EXPECT_EQ(selected(), (std::vector<std::string>{"Albums/a.jpg", "Pictures/a.jpg"}));

    // A pair that is one file under two names has nothing to select at all.
    auto pair = std::make_shared<DuplicateFiles>();
    pair->append(scanned(t.path("Pictures/a.jpg")));
    pair->append(scanned(t.path("Albums/a.jpg")));
    S::autoSelect({pair});
    EXPECT_EQ(S::totals({pair}).count, 0u);
    EXPECT_EQ(pair->selectState, SelectState::off);

    // Records without a known identity are compared as the file system sees them now.
    auto bare = std::make_shared<DuplicateFiles>();
    for (const char* rel : {"Albums/a.jpg", "Pictures/a.jpg", "Backup/a.jpg"})
        bare->append(std::make_shared<FileInfo>(ResourceValueURL{t.path(rel), {}}, 6));
    S::autoSelect({bare});
    EXPECT_FALSE(bare->infos()[1]->selected);
    EXPECT_TRUE(bare->infos()[2]->selected);
}
