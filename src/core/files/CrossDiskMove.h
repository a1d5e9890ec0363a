#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/files/RemovalGuard.h"

namespace orvane::files {

struct MoveResult {
    bool ok = false;
    int error = 0;          // errno of the failed call, when one failed
    std::string finalPath;  // where the copy now lies, when ok
    std::string reason;     // a sentence for the user when !ok
};

// Moves a verified regular file to another file system without ever losing it: the bytes go to
// an unnamed (or hidden temporary) file in `folder`, are flushed, and only then get a name there,
// never replacing anything; the original is removed only if it is still exactly the file that
// was copied. Killed half-way, the move leaves nothing under a final name and the original where
// it was. `nameFor(attempt)` gives the name to try (0, 1, ...), until one is free.
class CrossDiskMove {
public:
    using NameFor = std::function<std::string(int attempt)>;
    using Progress = std::function<void(std::uint64_t copied)>;

    static MoveResult move(const std::string& sourcePath, const GuardedItem& source,
                           const std::string& folder, const NameFor& nameFor,
                           const Progress& progress = {});
};

}  // namespace orvane::files
