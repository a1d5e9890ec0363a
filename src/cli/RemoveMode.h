#pragma once

#include <optional>
#include <string>

#include "core/files/RemoveType.h"

namespace orvane::cli {

// "trash", "delete" or "move=DIR" as typed after --remove, for every subcommand that removes.
// The folder of move= is made absolute and must exist; otherwise nothing, and `error` says why.
std::optional<files::RemoveType> parseRemoveMode(const std::string& text, std::string& error);

}  // namespace orvane::cli
