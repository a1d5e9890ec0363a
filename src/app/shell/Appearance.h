#pragma once

namespace orvane::app {

// The program's light look (palette and base font), the same on every desktop and in the
// offscreen renderings.
void applyAppearance();

}  // namespace orvane::app
