#pragma once

#include <memory>
#include <vector>

#include "core/files/FileInfo.h"
#include "core/files/RemoveType.h"

namespace orvane::cli {

// What a removal would do or did, in the same words for every command: one line per file, then
// one summary line.
class RemovalReport {
public:
    using Files = std::vector<std::shared_ptr<files::FileInfo>>;

    // A dry run: "would trash PATH" lines and "Would move 2 files (24 MB) to the Trash; nothing
    // was touched."
    static void printPlan(const files::RemoveType& type, const Files& files);
    // After the run, from each file's own outcome: removed, failed with its reason, or left in
    // place. Returns the number that failed.
    static std::size_t printOutcome(const files::RemoveType& type, const Files& files);
};

}  // namespace orvane::cli
