#include "cli/KeptUntilExit.h"

#include <mutex>
#include <vector>

namespace orvane::cli {

void keepUntilExit(std::shared_ptr<const void> object) {
    // Never freed, and reachable to the end, so leak checkers do not count it.
    static auto* kept = new std::vector<std::shared_ptr<const void>>;
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    kept->push_back(std::move(object));
}

}  // namespace orvane::cli
