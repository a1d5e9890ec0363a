#pragma once

#include <QString>

#include <cstdint>
#include <optional>

#include "core/files/RemoveType.h"

namespace orvane::app {

// What a finished removal did, said the way it happened: "3 files moved to the Trash (522 KB)",
// "3 files deleted for good, 522 KB freed", "3 files moved to Backup (522 KB)". Only deleting
// frees the space at once; the Trash and a folder still hold it.
QString removedSummary(long long count, std::uint64_t bytes,
                       const std::optional<files::RemoveType>& type);

}  // namespace orvane::app
