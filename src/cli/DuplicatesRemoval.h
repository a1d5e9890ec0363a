#pragma once

#include <memory>
#include <optional>
#include <string>

#include "core/duplicates/DuplicateSelection.h"
#include "core/duplicates/RemoveType.h"

namespace orvane::duplicates {
class ScanManager;
}

namespace orvane::cli {

class RunEvents;

// "trash", "delete" or "move=DIR" as typed after --remove; nothing and a message otherwise.
std::optional<duplicates::RemoveType> parseRemoveMode(const std::string& text, std::string& error);

// Selects every copy but the one `keep` names in each group found, then removes the selected
// copies the chosen way (or only lists them for a dry run), one line per file and a summary at
// the end. Ctrl-C stops after the file at hand. A real removal is recorded in `events` (if
// given). Returns the exit code.
int removeAutoSelected(const std::shared_ptr<duplicates::ScanManager>& manager,
                       duplicates::KeepRule keep, const duplicates::RemoveType& type, bool dryRun,
                       RunEvents* events = nullptr);

}  // namespace orvane::cli
