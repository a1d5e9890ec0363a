#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "core/apps/SpotlightTools.h"
#include "platform/Layout.h"

namespace orvane::apps {

// How much disk an application's file or folder takes: allocated bytes, every hard-linked file
// once, symbolic links never followed and never counted. Unreadable items count 0; the walk
// goes on past them.
class AppFileSizer {
public:
    explicit AppFileSizer(platform::Layout layout)
        : layout_(std::move(layout)), spotlight_(layout_) {}

    // A bundle asks the metadata index first; a folder is walked; a regular file is its own
    // size; anything else (a link, a device, a missing path) is 0.
    std::int64_t calculateFileSize(const std::string& path) const;
    // The allocated size of a regular file that is not a symbolic link, else 0.
    static std::int64_t logicalOrAllocatedSize(const std::string& path);
    // The files below a folder. Hidden entries and package contents are left out when asked
    // (macOS counts a bundle's visible contents that way). Stops early when `cancelled` is set.
    std::int64_t fastDirectorySize(const std::string& path, bool skipPackages, bool skipHiddens,
                                   const std::atomic<bool>* cancelled = nullptr) const;
    static bool directoryExists(const std::string& path);

    const SpotlightTools& spotlight() const { return spotlight_; }

private:
    platform::Layout layout_;
    SpotlightTools spotlight_;
};

}  // namespace orvane::apps
