#include "core/junk/ClaimedPaths.h"

namespace orvane::junk {

bool ClaimedPaths::claim(const std::string& raw) {
    std::string path = raw;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    std::lock_guard guard(lock_);
    if (paths_.contains(path)) return false;
    // A folder above it?
    for (auto slash = path.rfind('/'); slash != std::string::npos && slash > 0;
         slash = path.rfind('/', slash - 1)) {
        if (paths_.contains(path.substr(0, slash))) return false;
    }
    // Something inside it?
    const std::string prefix = path + "/";
    if (auto it = paths_.lower_bound(prefix); it != paths_.end() && it->starts_with(prefix))
        return false;
    paths_.insert(path);
    return true;
}

void ClaimedPaths::clear() {
    std::lock_guard guard(lock_);
    paths_.clear();
}

std::size_t ClaimedPaths::size() const {
    std::lock_guard guard(lock_);
    return paths_.size();
}

}  // namespace orvane::junk
