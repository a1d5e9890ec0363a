#include "app/shell/Icons.h"

#include <QFile>
#include <QHash>

static void initBundledIcons() {
    // A resource compiled into a static library is registered only when asked for by name.
    static const bool done = [] {
        Q_INIT_RESOURCE(orvane);
        return true;
    }();
    (void)done;
}

namespace orvane::app {

namespace {

QString baseName(QString name) {
    for (const char* suffix : {"_h", "_d"}) {
        if (name.endsWith(QLatin1String(suffix))) {
            name.chop(2);
            break;
        }
    }
    return name;
}

const QHash<QString, QString>& themeNames() {
    static const QHash<QString, QString> names = {
        {QStringLiteral("leftList_cleanup"), QStringLiteral("edit-clear-all")},
        {QStringLiteral("leftList_similar"), QStringLiteral("image-x-generic")},
        {QStringLiteral("leftList_duplicate"), QStringLiteral("edit-copy")},
        {QStringLiteral("leftList_bigFiles"), QStringLiteral("drive-harddisk")},
        {QStringLiteral("leftList_airenamer"), QStringLiteral("document-edit")},
        {QStringLiteral("leftList_app"), QStringLiteral("applications-other")},
        {QStringLiteral("folder"), QStringLiteral("folder")},
        {QStringLiteral("home"), QStringLiteral("user-home")},
        {QStringLiteral("photos"), QStringLiteral("folder-pictures")},
    };
    return names;
}

}  // namespace

QIcon appIcon(const QString& imageName) {
    initBundledIcons();
    const QString base = baseName(imageName);
    const QString bundled = QStringLiteral(":/icons/%1.svg").arg(base);
    QIcon fallback = QFile::exists(bundled) ? QIcon(bundled) : QIcon();
    const QString theme = themeNames().value(base);
    if (!theme.isEmpty() && QIcon::hasThemeIcon(theme)) return QIcon::fromTheme(theme, fallback);
    return fallback;
}

}  // namespace orvane::app
