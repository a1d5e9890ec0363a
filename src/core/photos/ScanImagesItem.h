#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/files/FileIdentity.h"
#include "core/photos/Thumbnail.h"

namespace orvane::photos {

// One image of a group, shared by reference with the screens.
struct ScanImagesItem {
    std::string imageName;                 // last path component
    std::string imagePath;                 // full path bytes, as the engine reported them
    std::string pathExtension;             // without the dot
    std::int64_t imageSize = 0;            // 0 when the file was gone when the item was built
    std::optional<double> modifiedDate;    // seconds since 1970
    std::string modifiedDateStr;           // "yyyy.MM.dd HH:mm:ss", local time
    std::optional<std::string> dimension;  // "4000 * 3000"
    bool isSelect = false;
    bool isRemoveFailed = false;
    // Made on demand, off the main thread (thumbnailFor); empty until then.
    std::shared_ptr<const Thumbnail> thumImage;
    std::optional<std::string> removeError;  // why removal failed

    // What the file was when the item was built; removal touches it only while it still is.
    std::optional<files::FileIdentity> identity;
};

using ScanImagesItemPtr = std::shared_ptr<ScanImagesItem>;

}  // namespace orvane::photos
