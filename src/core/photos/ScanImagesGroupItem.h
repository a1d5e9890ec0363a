#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/photos/ScanImagesItem.h"

namespace orvane::photos {

// One group of similar images.
struct ScanImagesGroupItem {
    std::string groupName;
    std::int64_t groupSize = 0;  // sum of the items' imageSize
    int groupCount = 0;
    // The engine's reference picture; later reports with the same one join this group.
    std::string sourceImagePath;
    std::vector<ScanImagesItemPtr> dupImageItems;
    bool isSelect = false;
};

using ScanImagesGroupItemPtr = std::shared_ptr<ScanImagesGroupItem>;
using ScanImagesGroups = std::vector<ScanImagesGroupItemPtr>;

}  // namespace orvane::photos
