#pragma once

#include "core/apps/AppFileBaseModel.h"
#include "core/apps/AppModel.h"
#include "platform/Layout.h"

namespace orvane::apps {

// Who removes a record. The program deletes what is plainly the user's (settings, data, caches,
// an AppImage and its menu entries); an install that a package manager made goes through that
// package manager, never by deleting its files behind its back.
enum class RemovalRoute {
    program,      // deleted here, re-checked right before
    package,      // a Debian package: apt, with administrator rights, after the other records
    withPackage,  // a file the package installed (its menu entry): goes with the package
    flatpak,      // flatpak uninstall
    snap,         // snap remove
    privileged,   // a store copy on macOS: removed as administrator after the other records
};

RemovalRoute removalRoute(const AppModel& app, const AppFileBaseModel& file,
                          const platform::Layout& layout);

// Whether the tool removes the record itself, after the program's own removals.
inline bool isDeferred(RemovalRoute route) { return route != RemovalRoute::program; }

}  // namespace orvane::apps
