#pragma once

#include <QString>

#include <string>

namespace orvane::app {

// One tile of the multi-folder grid; the trailing "add" tile has no path.
struct FolderItem {
    std::string folderPath;
    bool isAddBtn = false;

    // Caption of the tile: the start-up volume's name for "/", "Photos Library" for the
    // Pictures folder, "Add Folder" for the add tile, else the folder's own name.
    QString name() const;
};

}  // namespace orvane::app
