#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>

namespace orvane::files {

// Small questions about a path that the duplicate, large-file and app screens share.

// The file's attributes (without following a final symlink); nothing when the path does not
// exist or cannot be read, with the reason logged.
std::optional<struct stat> attributes(const std::string& path);
// Seconds since 1970. Creation is the birth time where the file system records one.
std::optional<double> creationDate(const std::string& path);
std::optional<double> modificationDate(const std::string& path);
// Bytes of everything below a folder (an application bundle is shown as one item); links are
// counted as themselves, never followed. 0 for an empty or unreadable folder.
std::uint64_t applicationSize(const std::string& path);
// True when both names lead to the same file on disk (hard links).
bool linksToSameInode(const std::string& path, const std::string& other);

}  // namespace orvane::files
