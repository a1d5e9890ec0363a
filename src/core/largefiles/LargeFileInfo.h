#pragma once

#include <string>

#include "core/files/FileInfo.h"

namespace orvane::largefiles {

// One row of the confirmation window: everything as display text, made once when the window
// opens. The path stays in bytes; only the screen turns it into something readable.
struct LargeFileInfo {
    std::string name;
    std::string path;
    std::string size;
    std::string date;

    static LargeFileInfo from(const files::FileInfo& info);
};

}  // namespace orvane::largefiles
