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

// The headline of a finished removal, alike on every page that removes files: it claims success
// only when nothing stayed behind, so a page whose list below shows failures never opens with
// "Removed Successfully".
QString removalTitle(long long removedCount, long long failedCount, bool interrupted);
// Whether the page shows the removal as a plain success.
bool removalSucceeded(long long failedCount, bool interrupted);
// The finished page's icon: the check mark for a plain success, a warning sign whenever
// something stayed behind, so a partial result never looks like a (greyed) success.
QString removalIconName(long long failedCount, bool interrupted);
// The heading over the list of files that stayed, with their number: "3 files could not be
// removed:".
QString removalFailuresHeading(long long failedCount);

}  // namespace orvane::app
