#pragma once

#include <memory>
#include <string>

#include "core/duplicates/DuplicateSelection.h"
#include "core/files/RemoveType.h"

namespace orvane::duplicates {
class ScanManager;
}

namespace orvane::cli {

class RunEvents;

// Selects every copy but the one `keep` names in each group found, then removes the selected
// copies the chosen way (or only lists them for a dry run), one line per file and a summary at
// the end. Ctrl-C stops after the file at hand. A real removal is recorded in `events` (if
// given). Returns the exit code.
int removeAutoSelected(const std::shared_ptr<duplicates::ScanManager>& manager,
                       duplicates::KeepRule keep, const files::RemoveType& type, bool dryRun,
                       RunEvents* events = nullptr);

}  // namespace orvane::cli
