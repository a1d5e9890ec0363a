#include "app/apps/AppIcons.h"

#include <QFileInfo>

#include "app/common/Text.h"
#include "app/shell/Icons.h"
#include "core/apps/AppIdentifiers.h"

namespace orvane::app {

AppIcons::AppIcons(const platform::Layout& layout) : layout_(layout) {}

QString AppIcons::find(const std::string& iconName) const {
    const QString name = QString::fromStdString(iconName);
    if (!iconName.empty() && iconName.front() == '/') {
        const QFileInfo file(name);
        return file.isFile() ? name : QString();
    }
    // A theme name is one file name without a folder in it.
    if (!apps::isPrintableName(iconName)) return {};
    static const char* const kSizes[] = {"scalable", "512x512", "256x256", "128x128", "96x96",
                                         "64x64",    "48x48",   "32x32",   "24x24",   "16x16"};
    for (const std::string& folder : layout_.iconThemeFolders) {
        const QString base = QString::fromStdString(folder) + QStringLiteral("/hicolor/");
        for (const char* size : kSizes)
            for (const char* extension : {".svg", ".png"}) {
                const QString path = base + QLatin1String(size) + QStringLiteral("/apps/") + name +
                                     QLatin1String(extension);
                if (QFileInfo(path).isFile()) return path;
            }
    }
    for (const std::string& folder : layout_.pixmapFolders)
        for (const char* extension : {".svg", ".png", ".xpm"}) {
            const QString path =
                QString::fromStdString(folder) + '/' + name + QLatin1String(extension);
            if (QFileInfo(path).isFile()) return path;
        }
    return {};
}

QIcon AppIcons::icon(const std::string& iconName) {
    const QString key = QString::fromStdString(iconName);
    if (auto it = cache_.find(key); it != cache_.end()) return *it;
    QIcon icon;
    const QString path = find(iconName);
    if (!path.isEmpty()) icon = QIcon(path);
    if (icon.isNull() && !iconName.empty() && iconName.front() != '/') icon = QIcon::fromTheme(key);
    if (icon.isNull()) icon = appIcon(QStringLiteral("leftList_app"));
    cache_.insert(key, icon);
    return icon;
}

}  // namespace orvane::app
