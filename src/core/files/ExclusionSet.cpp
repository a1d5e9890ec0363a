#include "core/files/ExclusionSet.h"

#include <sys/stat.h>

#include <cstdlib>
#include <memory>

#include "kit/Paths.h"

namespace orvane::files {

ExclusionSet::ExclusionSet(const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) {
        struct stat st {};
        // Following links: an exclusion written as a link protects what it leads to. Files are
        // matched by their path as listed; a folder by what it is, however it is reached.
        if (!entry.empty() && ::stat(entry.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            ids_.emplace(static_cast<std::uint64_t>(st.st_dev),
                         static_cast<std::uint64_t>(st.st_ino));
    }
}

bool ExclusionSet::excludes(std::uint64_t device, std::uint64_t inode) const {
    return ids_.count({device, inode}) != 0;
}

bool ExclusionSet::excludesPathOrAncestor(const std::string& path) const {
    if (ids_.empty()) return false;
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    std::string p = real ? std::string(real.get()) : path;
    for (;;) {
        struct stat st {};
        if (::stat(p.c_str(), &st) == 0 &&
            excludes(static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)))
            return true;
        if (p.empty() || p == "/") return false;
        const std::string parent = kit::parentPath(p);
        if (parent == p) return false;
        p = parent.empty() ? "/" : parent;
    }
}

}  // namespace orvane::files
