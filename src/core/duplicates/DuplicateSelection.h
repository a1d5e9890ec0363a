#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/duplicates/SharedFileNames.h"

namespace orvane::settings {
class UserDefaults;
}

namespace orvane::duplicates {

// The group orders of the result list, in the order of the sort menu.
enum class GroupSortOrder {
    size,      // "Sort by Size": total size, largest first
    name,      // "Name": first member's file name, as a file browser orders names
    quantity,  // "Sort by Quantity": number of copies, most first
};

// Which copy of each group selection leaves in place.
enum class KeepRule {
    first,   // "Auto select": the first member, the smallest path
    oldest,  // "Select New": the copy modified longest ago, so the newer copies go
    newest,  // "Select Old": the copy modified last, so the older copies go
};

// The groups of one kind that still hold duplicates, and their bytes on disk.
struct KindGroups {
    std::vector<DuplicateFilesPtr> groups;
    std::uint64_t size = 0;
};

struct SelectionTotals {
    std::uint64_t count = 0;  // selected files
    std::uint64_t size = 0;   // their bytes
};

// What the user checked in one group, to put back when they decline a check.
struct GroupSelectionSnapshot {
    std::vector<bool> selected;
    SelectState selectState = SelectState::off;
    std::uint64_t uiSelectedSize = 0;
};

// The selection logic of the duplicate result screen. Selection lives in the records themselves,
// so it survives sorting and switching categories and is exactly what removal reads. All of it
// runs on the main thread, like the screen that calls it.
class DuplicateSelection {
public:
    // Stable: groups that tie keep their relative order. Members inside a group never move.
    static void sort(std::vector<DuplicateFilesPtr>& groups, GroupSortOrder order);
    // The order a file browser shows names in: by the user's locale, case-insensitive, digit runs
    // compared by their numeric value ("file2" before "file10").
    static bool localizedStandardLess(std::string_view a, std::string_view b);

    // Keeps each group's first member (the smallest path) and selects every other copy. Here and
    // in selectKeeping, a name that is the kept copy itself under another name (a hard link) is
    // never selected: removing it would free nothing.
    static void autoSelect(const std::vector<DuplicateFilesPtr>& groups);
    // Keeps one copy of each group by `rule` and selects every other. Ages are the modification
    // times on disk now, ties go to the smaller path, and a copy that is gone is never the one
    // kept.
    static void selectKeeping(const std::vector<DuplicateFilesPtr>& groups, KeepRule rule);
    // The member `rule` keeps; the group must not be empty.
    static std::size_t keptIndex(const DuplicateFiles& group, KeepRule rule);
    static void deselectAll(const std::vector<DuplicateFilesPtr>& groups);

    // The group check box: on selects every member, off clears every member.
    static void setGroupChecked(DuplicateFiles& group, bool on);
    // The file check box of member `index`.
    static void toggleFile(DuplicateFiles& group, std::size_t index);
    // Derives the group's state (on, off, mixed) and uiSelectedSize from its members.
    static void refreshGroup(DuplicateFiles& group);

    static SelectionTotals totals(const std::vector<DuplicateFilesPtr>& groups);

    // Groups that still hold two copies or more, filed by the kind of their first member as a
    // scan files them, indexed by FileType; what a new scan of the same files would show after
    // a removal took copies away (a group left with one file holds no duplicate any more).
    static std::array<KindGroups, 5> remainingByKind(const std::vector<DuplicateFilesPtr>& groups);
    // What removing every copy but one of each group would give back: the bytes of the files
    // that are not the kept one (a file with several names counted once).
    static std::uint64_t reclaimableSize(const std::vector<DuplicateFilesPtr>& groups);
    // Groups on show whose every copy is selected: removal would leave none of that content.
    static std::size_t groupsLosingEveryCopy(const std::vector<DuplicateFilesPtr>& groups);

    // True when every member of a non-empty group is selected: removal would leave no copy.
    static bool everyCopySelected(const DuplicateFiles& group);
    // Whether checking every copy must be confirmed: once per user, until the answer is stored.
    static bool needsCompleteConfirmation(const DuplicateFiles& group,
                                          const settings::UserDefaults& defaults);
    // Stores that the user was asked, so the question does not come again.
    static void recordCompleteConfirmation(settings::UserDefaults& defaults);

    static GroupSelectionSnapshot capture(const DuplicateFiles& group);
    static void restore(DuplicateFiles& group, const GroupSelectionSnapshot& snapshot);
};

}  // namespace orvane::duplicates
