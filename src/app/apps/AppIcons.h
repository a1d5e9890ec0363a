#pragma once

#include <QHash>
#include <QIcon>
#include <QString>
#include <string>

#include "platform/Layout.h"

namespace orvane::app {

// The icons desktop entries name (Icon=): a file when the name is a path, else the theme's
// image of that name, looked up in the hicolor theme of every icon folder (packages, the user,
// flatpak exports) and in the loose pixmaps, largest first. Unknown names get the program's
// generic application icon. Results are kept for the run.
class AppIcons {
public:
    explicit AppIcons(const platform::Layout& layout);

    QIcon icon(const std::string& iconName);

private:
    QString find(const std::string& iconName) const;

    platform::Layout layout_;
    QHash<QString, QIcon> cache_;
};

}  // namespace orvane::app
