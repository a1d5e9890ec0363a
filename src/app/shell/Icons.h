#pragma once

#include <QIcon>
#include <QString>

namespace orvane::app {

// An icon by its image name ("leftList_cleanup", "folder", ...): the desktop theme's icon for
// that role when the theme has one, else the one bundled with the program. The "_h" (selected)
// and "_d" (disabled) variants map to the same image; Qt derives the look of those states.
QIcon appIcon(const QString& imageName);

}  // namespace orvane::app
