#include "platform/Trash.h"

#include <dirent.h>

#include <cerrno>

#include "platform/Layout.h"
#include "platform/linux/GioTrash.h"
#include "platform/mac/FolderTrash.h"

namespace orvane::platform {

std::unique_ptr<Trash> makeTrash(const Layout& layout) {
    if (layout.kind == Layout::Kind::macOS) return std::make_unique<FolderTrash>(layout.trash);
    return std::make_unique<GioTrash>();
}

bool canReadTrashFolder(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir) {
        ::closedir(dir);
        return true;
    }
    return errno == ENOENT;
}

bool canReadTrash(const Layout& layout) { return canReadTrashFolder(layout.trash); }

}  // namespace orvane::platform
