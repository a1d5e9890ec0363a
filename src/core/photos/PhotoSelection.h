#pragma once

#include <cstdint>

#include "core/photos/ScanImagesGroupItem.h"

namespace orvane::photos {

// The order images are shown in inside a group: newest first; equal dates, or a date missing on
// either side, fall back to the larger file first. Stable.
void orderGroupForDisplay(ScanImagesGroupItem& group);

enum class GroupSort { bySize, byQuantity };
// "Sort by Size": largest total first; "Sort by Quantity": most images first. Stable.
void sortGroups(ScanImagesGroups& groups, GroupSort sort);

enum class AutoSelect { selectNew, selectOld };
// Marks every group and all its images, then leaves one image unmarked per group: the last in
// display order for "Select New" (the oldest stays), the first for "Select Old" (the newest
// stays). A name that is the kept picture itself under another name (a hard link) stays unmarked
// too: removing it would free nothing.
void autoSelect(ScanImagesGroups& groups, AutoSelect mode);
void selectAll(ScanImagesGroups& groups);
void deselectAll(ScanImagesGroups& groups);
// A group counts as marked while all of its images are.
void setItemSelected(ScanImagesGroupItem& group, ScanImagesItem& item, bool selected);
void setGroupSelected(ScanImagesGroupItem& group, bool selected);

std::int64_t selectedCount(const ScanImagesGroups& groups);
std::int64_t selectedSize(const ScanImagesGroups& groups);

}  // namespace orvane::photos
