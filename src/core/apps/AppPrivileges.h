#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/apps/ToolOutcome.h"
#include "core/files/FileRemover.h"

namespace orvane::apps {

// What the app manager needs done with administrator rights: Debian packages removed through
// apt, and items in the protected locations removed. One authorization serves a whole run.
class AppPrivileges {
public:
    virtual ~AppPrivileges() = default;

    // Removes `path` (a file or a folder tree) when it still is what the scan saw.
    virtual ToolOutcome removePath(const std::string& path,
                                   const std::optional<files::ScannedIdentity>& scanned) = 0;
    // Removes the packages in one apt transaction.
    virtual ToolOutcome removePackages(const std::vector<std::string>& names) = 0;

    // The program's privileged helper, started through pkexec on first use.
    static std::shared_ptr<AppPrivileges> helper();
};

}  // namespace orvane::apps
