#pragma once

#include <string>

#include "platform/Trash.h"

namespace orvane::platform {

// A Trash that is a plain folder (~/.Trash): items are moved in under their own name, or
// "name 2.ext", "name 3.ext", ... when that name is taken. Items on another volume are copied
// in and then removed from where they were.
class FolderTrash final : public Trash {
public:
    explicit FolderTrash(std::string trashFolder);
    TrashResult trashItem(const std::string& path) override;

    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

}  // namespace orvane::platform
