#include "core/apps/AppRemovalRoute.h"

namespace orvane::apps {

RemovalRoute removalRoute(const AppModel& app, const AppFileBaseModel& file,
                          const platform::Layout& layout) {
    if (app.isResidual || file.type() != AppFileType::appFile) return RemovalRoute::program;
    if (!file.packageName.empty()) return RemovalRoute::package;
    switch (app.kind) {
        case AppKind::deb:
            // A user's own copy of the menu entry is the user's; the system's is the package's.
            return platform::isPathInside(file.url, layout.home) ? RemovalRoute::program
                                                                 : RemovalRoute::withPackage;
        case AppKind::flatpak:
            return file.isAppStoreApp() ? RemovalRoute::flatpak : RemovalRoute::withPackage;
        case AppKind::snap:
            return file.isAppStoreApp() ? RemovalRoute::snap : RemovalRoute::withPackage;
        case AppKind::bundle:
            return file.isAppStoreApp() ? RemovalRoute::privileged : RemovalRoute::program;
        case AppKind::appimage:
        case AppKind::desktop: return RemovalRoute::program;
    }
    return RemovalRoute::program;
}

}  // namespace orvane::apps
