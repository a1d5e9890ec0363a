#pragma once

#include <string>
#include <vector>

#include "core/apps/AppManager.h"

namespace orvane::cli {

// What `orvane apps` does besides listing, each over a manager that has finished its scan.
// Each returns the command's exit code.
class AppsActions {
public:
    // --uninstall ID... [--with-data] [--dry-run]
    static int uninstall(apps::AppManager& manager, const std::vector<std::string>& ids,
                         bool withData, bool dryRun);
    // --remove-residual ID... [--dry-run]
    static int removeResidual(apps::AppManager& manager, const std::vector<std::string>& ids,
                              bool dryRun);
    // --updates [--json]
    static int listUpdates(apps::AppManager& manager, bool json);
    // --update ID...
    static int update(apps::AppManager& manager, const std::vector<std::string>& ids);
};

}  // namespace orvane::cli
