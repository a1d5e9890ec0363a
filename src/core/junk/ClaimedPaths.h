#pragma once

#include <mutex>
#include <set>
#include <string>

namespace orvane::junk {

// The paths one scan has already offered. Two rules may name the same folder, or one a folder
// and another something inside it; the second claim is refused so that no byte is counted (or
// later removed) twice.
class ClaimedPaths {
public:
    // True when the path was free: neither it, nor a folder holding it, nor anything inside it
    // was claimed before.
    bool claim(const std::string& path);
    void clear();
    std::size_t size() const;

private:
    mutable std::mutex lock_;
    std::set<std::string> paths_;
};

}  // namespace orvane::junk
