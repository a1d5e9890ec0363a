#pragma once

#include <string>

#include "core/apps/AppFileType.h"

namespace orvane::apps {

// A file or folder found to belong to an application, before it is measured.
struct RelatedFile {
    std::string path;
    AppFileType type = AppFileType::otherFile;
};

}  // namespace orvane::apps
