#pragma once

#include <memory>

namespace orvane::cli {

// Holds `object` until the process ends, never destroying it. A command's results (a scan of a
// hundred thousand files leaves as many records) are freed by the process's end at no cost,
// where destroying them one by one would only delay the exit after the last line is printed.
// The object must be idle: its threads, if any, wait for work that never comes.
void keepUntilExit(std::shared_ptr<const void> object);

}  // namespace orvane::cli
