#pragma once

#include <string>

#include "platform/FileBrowser.h"

namespace orvane::platform {

// The freedesktop file manager: reveal asks org.freedesktop.FileManager1 on the session bus to
// show the item, and when no file manager answers in time opens the item's folder with the
// default handler for folders. Opening uses the default application of the item's type.
class DesktopFileBrowser final : public FileBrowser {
public:
    // `busAddress` picks a bus other than the session bus (tests run a private one).
    explicit DesktopFileBrowser(std::string busAddress = {}, int timeoutMs = 2000);

    Outcome reveal(const std::string& path) override;
    Outcome open(const std::string& path) override;

private:
    // Empty when the file manager showed the item; its error otherwise.
    std::string showItemsOverBus(const std::string& uri) const;

    std::string busAddress_;
    int timeoutMs_;
};

}  // namespace orvane::platform
