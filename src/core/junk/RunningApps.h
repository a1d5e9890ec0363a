#pragma once

#include <set>
#include <string>
#include <vector>

#include "core/junk/CleanBaseItem.h"

namespace orvane::junk {

// The programs running right now, by the executables of /proc/*/exe. A cache removed under a
// running program can break it or be written back at once, so such items are shown but not
// ticked.
class RunningApps {
public:
    // `procRoot` is /proc on a running system; tests hand in a folder of <pid>/exe links.
    static RunningApps read(const std::string& procRoot = "/proc");
    RunningApps() = default;
    explicit RunningApps(std::set<std::string> executableNames);

    // The running program the item's cache belongs to, or empty: matched by the item's path
    // below one of `appFolders` (the caches and containers folders, whose entries are named
    // after applications), its name, the application's identifier and name, against the
    // executables' names.
    std::string ownerOf(const CleanBaseItem& item,
                        const std::vector<std::string>& appFolders = {}) const;

    const std::set<std::string>& names() const { return names_; }

private:
    std::set<std::string> names_;  // lower-case executable names
};

}  // namespace orvane::junk
