#pragma once

#include <vector>

#include "core/junk/JunkSubcategory.h"
#include "core/junk/JunkTypes.h"

namespace orvane::app {

// The sort pop-up's entry (0 default, 1 smallest first, 2 largest first) as a sort type.
junk::CleanUpItemSortType sortTypeForIndex(int index);

// A category's headings in the order the outline shows them: by size (stable, so equal sizes
// keep their order), or the default order of the kind (system and internet junk by their cases'
// order, everything else by name as a file browser sorts).
std::vector<junk::JunkSubcategoryPtr> sortedGroups(const junk::JunkCategory& category,
                                                   junk::CleanUpItemSortType sort);
// A heading's nested headings, ordered the same way.
std::vector<junk::JunkSubcategoryPtr> sortedGroups(const junk::JunkSubcategory& group,
                                                   std::uint32_t junkType,
                                                   junk::CleanUpItemSortType sort);
// A heading's own items (files, then hidden items), by size when asked.
std::vector<junk::CleanBaseItemPtr> sortedItems(const junk::JunkSubcategory& group,
                                                junk::CleanUpItemSortType sort);
// Every item of a heading: its own, or those of its nested headings, each heading visited once.
std::vector<junk::CleanBaseItemPtr> itemsOf(const junk::JunkSubcategory& group);
std::vector<junk::CleanBaseItemPtr> itemsOf(const junk::JunkCategory& category);

// On when the category has items and all are selected, off when it has none or none is
// selected, mixed otherwise.
junk::CheckState stateOf(const std::vector<junk::CleanBaseItemPtr>& items);

}  // namespace orvane::app
