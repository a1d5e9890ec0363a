#pragma once

#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "core/duplicates/SharedFileNames.h"
#include "support/TempTree.h"

namespace orvane::duplicates::testing {

// A record of a real file as the scan would have made it: identity and size from lstat.
inline std::shared_ptr<FileInfo> scanned(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    ResourceValueURL url;
    url.url = path;
    url.resourceValues.setFileIdentifier(static_cast<std::uint64_t>(st.st_dev),
                                         static_cast<std::uint64_t>(st.st_ino));
    url.resourceValues.setTimes(st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec,
                                st.st_ctim.tv_sec * 1'000'000'000LL + st.st_ctim.tv_nsec);
    url.resourceValues.setFlag(ResourceValues::isDirectoryKey, S_ISDIR(st.st_mode));
    url.resourceValues.setTotalFileSize(static_cast<std::uint64_t>(st.st_size));
    return std::make_shared<FileInfo>(std::move(url), static_cast<std::uint64_t>(st.st_size));
}

// A group of identical files written into the tree under the given relative paths.
inline DuplicateFilesPtr groupOf(orvane::testing::TempTree& tree,
                                 const std::vector<std::string>& rels, const std::string& content) {
    auto g = std::make_shared<DuplicateFiles>();
    for (const std::string& rel : rels) g->append(scanned(tree.file(rel, content)));
    return g;
}

inline std::vector<std::string> memberNames(const DuplicateFiles& g) {
    std::vector<std::string> out;
    for (const auto& f : g.infos()) out.push_back(f->path().substr(f->path().rfind('/') + 1));
    return out;
}

}  // namespace orvane::duplicates::testing
