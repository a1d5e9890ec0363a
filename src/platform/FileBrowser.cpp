#include "platform/FileBrowser.h"

#include "platform/linux/DesktopFileBrowser.h"

namespace orvane::platform {

std::unique_ptr<FileBrowser> makeFileBrowser() { return std::make_unique<DesktopFileBrowser>(); }

}  // namespace orvane::platform
