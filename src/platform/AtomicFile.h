#pragma once

#include <string>
#include <string_view>

#include "platform/Outcome.h"

namespace orvane::platform {

// Replaces `path` with `bytes` so that a reader sees either the old file or the whole new one:
// the bytes go to a temporary file in the same folder, are flushed, and are renamed over the
// target. Missing parent folders are created.
Outcome writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode = 0644);

}  // namespace orvane::platform
