#pragma once

#include <string>
#include <vector>

#include "core/apps/RelatedFile.h"
#include "platform/Layout.h"

namespace orvane::apps {

// The files an application keeps in the macOS Library folders, found by its bundle identifier
// and name: preferences, application support, logs, and the rest (containers, caches, saved
// state, web data, cookies). Each kind is looked for in the user's folder, then the system's.
class LibraryRelatedFiles {
public:
    explicit LibraryRelatedFiles(const platform::Layout& layout) : layout_(layout) {}

    std::vector<RelatedFile> scanAppRelatedFiles(const std::string& bundleID,
                                                 const std::string& appName) const;

private:
    const platform::Layout& layout_;
};

}  // namespace orvane::apps
