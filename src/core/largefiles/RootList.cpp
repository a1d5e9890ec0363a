#include "core/largefiles/RootList.h"

#include <algorithm>
#include <string_view>

namespace orvane::largefiles {

std::vector<std::string> deleteSonPath(std::vector<std::string> listPath) {
    if (listPath.size() < 2) return listPath;
    std::stable_sort(listPath.begin(), listPath.end());
    std::vector<std::string> kept;
    for (auto& path : listPath) {
        // "/" + "/" never prefixes anything, so "/" and a folder below it are both walked; the
        // filing step makes sure a file reached twice is listed once.
        const bool nested = std::any_of(kept.begin(), kept.end(), [&](const std::string& parent) {
            return path.starts_with(parent + "/");
        });
        const bool repeated = !kept.empty() && kept.back() == path;
        if (!nested && !repeated) kept.push_back(std::move(path));
    }
    return kept;
}

}  // namespace orvane::largefiles
