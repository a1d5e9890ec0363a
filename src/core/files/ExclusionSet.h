#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace orvane::files {

// The folders a user excluded from a scan, known by what they are on disk (device and inode)
// rather than by how they were spelled: a root reached through a link, a bind mount or
// "a/../b" cannot get around an exclusion written with the real path, nor the reverse.
// Entries that do not exist protect nothing, so nothing created later in their place is hidden.
class ExclusionSet {
public:
    ExclusionSet() = default;
    explicit ExclusionSet(const std::vector<std::string>& entries);

    bool empty() const { return ids_.empty(); }
    // The item with this identity is itself an excluded entry.
    bool excludes(std::uint64_t device, std::uint64_t inode) const;
    // The path as the kernel resolves it, or any folder above it, is excluded.
    bool excludesPathOrAncestor(const std::string& path) const;

private:
    std::set<std::pair<std::uint64_t, std::uint64_t>> ids_;
};

}  // namespace orvane::files
