#include "app/common/FolderItem.h"

#include "app/common/Text.h"
#include "kit/Paths.h"

namespace orvane::app {

QString FolderItem::name() const {
    if (isAddBtn) return loc("Add Folder");
    if (folderPath == "/") {
        if (auto volume = kit::getVolumeName(); volume && !volume->empty())
            return displayPath(*volume);
        return QStringLiteral("/");
    }
    if (folderPath == kit::picturesDirectory()) return loc("Photos Library");
    return displayPath(kit::directoryName(folderPath));
}

}  // namespace orvane::app
