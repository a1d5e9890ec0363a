#pragma once

#include <QString>

namespace orvane::app {

// Renders every screen the program can reach to PNG files in `dir` (offscreen), for review.
// Returns the process exit code.
int runScreenshotTour(const QString& dir);

}  // namespace orvane::app
