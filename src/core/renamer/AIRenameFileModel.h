#pragma once

#include <optional>
#include <string>

#include "core/renamer/PerferenceSetting.h"

namespace orvane::renamer {

// What one name request is made of.
struct AIRenameFileModel {
    std::string filePath;
    std::optional<std::string> newName;
    // A document's summary text, or an image as a data URL.
    std::optional<std::string> extractedData;
    std::string lang = "en";
    std::string createTime;
    PerferenceSetting peferType = PerferenceSetting::content;
    std::string owner;
};

}  // namespace orvane::renamer
