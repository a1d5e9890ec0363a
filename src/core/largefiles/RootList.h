#pragma once

#include <string>
#include <vector>

namespace orvane::largefiles {

// Sorts the roots and drops every root lying below one kept before it, so that no folder is
// walked twice. Fewer than two roots come back unchanged.
std::vector<std::string> deleteSonPath(std::vector<std::string> listPath);

}  // namespace orvane::largefiles
