#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/apps/AppFileType.h"
#include "core/files/FileRemover.h"

namespace orvane::platform {
struct Layout;
}

namespace orvane::apps {

// One file or folder that belongs to an application. Made once by the scan (path, then size,
// then type) and shared with the screens, which set `selected` on the main thread.
class AppFileBaseModel {
public:
    // Takes the item's identity as it is now, which removal compares with the disk right
    // before acting.
    AppFileBaseModel(std::string url, std::uint64_t size)
        : url(std::move(url)), size(size), scanned(files::ScannedIdentity::capture(this->url)) {}

    // The item's path (a file URL's path; bytes as the file system has them).
    const std::string url;
    const std::uint64_t size;
    // For a whole Debian package: its name. Such an item is removed through the package
    // manager, never file by file; `url` is then dpkg's list of the package's files.
    std::string packageName;
    bool selected = false;
    // What the scan saw of the item (device, inode, the folder it lies in); nothing when it
    // could not be read, and then the program never removes it.
    const std::optional<files::ScannedIdentity> scanned;
    // Why the last removal of this item failed; empty when it did not.
    std::string removeError;

    AppFileType type() const { return type_; }
    // Sets the type and derives whether this is a store copy of the application: an app file
    // carrying the layout's store receipt (a receipt in the bundle on macOS; a flatpak deploy
    // or a snap on freedesktop, whose remote is the store).
    void setType(AppFileType type, const platform::Layout& layout);
    bool isAppStoreApp() const { return isAppStoreApp_; }

    // `size` as text, made on first use and kept.
    const std::string& sizeStr() const;

private:
    AppFileType type_ = AppFileType::otherFile;
    bool isAppStoreApp_ = false;
    mutable std::optional<std::string> sizeStr_;
};

using AppFilePtr = std::shared_ptr<AppFileBaseModel>;

}  // namespace orvane::apps
