#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Small file-system questions the junk rules ask, answered without ever following a symbolic
// link below the place a rule names: a link is an entry like any other and is never descended,
// so a loop of links cannot trap a scan and a link cannot lead a rule out of its folder.
namespace orvane::junk::files {

struct EntryStat {
    bool isDirectory = false;
    bool isRegular = false;
    bool isSymlink = false;
    std::int64_t size = 0;       // st_size
    std::int64_t allocated = 0;  // st_blocks * 512
    double modified = 0;
    double created = 0;  // birth time where the file system records it, else 0
    dev_t device = 0;
    ino_t inode = 0;
};

// lstat of the path itself; nothing when it does not exist or cannot be read.
std::optional<EntryStat> statEntry(const std::string& path);
// The item a rule names (its base folder may be a link the user made, e.g. ~/.cache moved to
// another disk): followed.
bool isDirectoryFollowingLinks(const std::string& path);
bool existsFollowingLinks(const std::string& path);

// Names in a folder ("." and ".." left out); nothing when it cannot be listed.
std::optional<std::vector<std::string>> listDirectory(const std::string& path);

// Sum of the sizes below a folder, or the file's own size. Hidden entries are skipped when asked;
// `descend` decides for each sub-folder (packages stay closed). `cancelled` is polled per entry.
std::int64_t treeSize(const std::string& path, bool skipHidden,
                      const std::function<bool(const std::string&)>& descend = {},
                      const std::function<bool()>& cancelled = {});

// Last component beginning with a dot.
bool isHiddenName(const std::string& path);

}  // namespace orvane::junk::files
