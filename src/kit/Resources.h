#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::kit {

// A data file shipped with the program (rule documents, ...), by its path below resources/.
// Looked for in $ORVANE_RESOURCE_DIR, then beside the running program (an install puts them in
// ../share/orvane), then in the source tree the program was built from, so that uninstalled
// runs and tests find the very files of the checkout.
std::optional<std::string> resourceFile(std::string_view relative);

}  // namespace orvane::kit
