#include "core/photos/PhotoSelection.h"

#include <algorithm>
#include <optional>

#include "core/files/FileIdentity.h"

namespace orvane::photos {

namespace {

std::optional<files::DiskFileId> diskIdOf(const ScanImagesItem& item) {
    if (!item.identity) return std::nullopt;
    return files::DiskFileId(item.identity->device, item.identity->inode);
}

}  // namespace

void orderGroupForDisplay(ScanImagesGroupItem& group) {
    std::stable_sort(
        group.dupImageItems.begin(), group.dupImageItems.end(),
        [](const ScanImagesItemPtr& a, const ScanImagesItemPtr& b) {
            if (a->modifiedDate && b->modifiedDate && *a->modifiedDate != *b->modifiedDate)
                return *a->modifiedDate > *b->modifiedDate;
            return a->imageSize > b->imageSize;
        });
}

void sortGroups(ScanImagesGroups& groups, GroupSort sort) {
    std::stable_sort(groups.begin(), groups.end(),
                     [sort](const ScanImagesGroupItemPtr& a, const ScanImagesGroupItemPtr& b) {
                         if (sort == GroupSort::bySize) return a->groupSize > b->groupSize;
                         return a->dupImageItems.size() > b->dupImageItems.size();
                     });
}

void autoSelect(ScanImagesGroups& groups, AutoSelect mode) {
    for (auto& g : groups) {
        g->isSelect = true;
        for (auto& item : g->dupImageItems) item->isSelect = true;
        if (g->dupImageItems.empty()) continue;
        const auto& keep =
            mode == AutoSelect::selectNew ? g->dupImageItems.back() : g->dupImageItems.front();
        keep->isSelect = false;
        // Another name of the kept picture holds no bytes of its own: taking it away frees
        // nothing, and removal would refuse it anyway.
        for (auto& item : g->dupImageItems)
            if (item != keep && files::sameFileOnDisk(diskIdOf(*item), item->imagePath,
                                                      diskIdOf(*keep), keep->imagePath))
                item->isSelect = false;
    }
}

void selectAll(ScanImagesGroups& groups) {
    for (auto& g : groups) setGroupSelected(*g, true);
}

void deselectAll(ScanImagesGroups& groups) {
    for (auto& g : groups) setGroupSelected(*g, false);
}

void setItemSelected(ScanImagesGroupItem& group, ScanImagesItem& item, bool selected) {
    item.isSelect = selected;
    group.isSelect = !group.dupImageItems.empty() &&
                     std::all_of(group.dupImageItems.begin(), group.dupImageItems.end(),
                                 [](const ScanImagesItemPtr& i) { return i->isSelect; });
}

void setGroupSelected(ScanImagesGroupItem& group, bool selected) {
    group.isSelect = selected;
    for (auto& item : group.dupImageItems) item->isSelect = selected;
}

std::int64_t selectedCount(const ScanImagesGroups& groups) {
    std::int64_t n = 0;
    for (const auto& g : groups)
        for (const auto& item : g->dupImageItems) n += item->isSelect ? 1 : 0;
    return n;
}

std::int64_t selectedSize(const ScanImagesGroups& groups) {
    std::int64_t n = 0;
    for (const auto& g : groups)
        for (const auto& item : g->dupImageItems) n += item->isSelect ? item->imageSize : 0;
    return n;
}

}  // namespace orvane::photos
