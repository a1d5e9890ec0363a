#pragma once

#include <memory>
#include <string>

#include "platform/Outcome.h"

namespace orvane::platform {

// Shows items in the desktop's file manager and opens files with their default application.
class FileBrowser {
public:
    virtual ~FileBrowser() = default;
    // Shows the item selected in its folder, or at least opens the folder.
    virtual Outcome reveal(const std::string& path) = 0;
    // Opens the item with the application the user chose for its kind.
    virtual Outcome open(const std::string& path) = 0;
};

// The running desktop's file manager (freedesktop on Linux).
std::unique_ptr<FileBrowser> makeFileBrowser();

}  // namespace orvane::platform
