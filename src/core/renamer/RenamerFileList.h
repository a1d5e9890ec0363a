#pragma once

#include <string>
#include <vector>

#include "core/renamer/FileItem.h"

namespace orvane::renamer {

// The files the user added to the renamer, and those the last addition refused.
class RenamerFileList {
public:
    std::vector<FileItem> folderItems;
    std::vector<FailedFileItem> failedItems;

    // Adds each path in order unless its type is not supported, it is listed already, or it is
    // larger than its kind's limit. failedItems then holds the refusals of this addition only.
    // Returns how many were added.
    std::size_t dragDrop(const std::vector<std::string>& filePathList);

    // The notices that follow an addition: one line for a clean addition, else one per refusal.
    std::vector<std::string> notices() const;
    static std::string noticeText(const FailedFileItem& failed);

private:
    bool contains(const std::string& path) const;
};

}  // namespace orvane::renamer
