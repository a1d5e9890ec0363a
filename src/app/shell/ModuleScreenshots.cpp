#include "app/shell/ScreenshotSteps.h"

namespace orvane::app {

void runModuleScreenshots(ScreenshotWriter&, MainWindow&) {}

}  // namespace orvane::app
