#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/apps/InstalledApp.h"
#include "core/apps/RelatedFile.h"
#include "platform/Layout.h"

namespace orvane::apps {

// The files applications keep in the XDG base folders (settings, data, state, cache), in a
// flatpak's ~/.var/app/<id>, in a snap's ~/snap/<name> and as autostart entries.
//
// Folders there are named after the program in many ways ("GIMP", "gimp", "org.gimp.GIMP",
// "dolphinrc"), so each application proposes the names it could use (its id, desktop ids,
// display name, program and package name) and a folder belongs to it only when no other
// installed software proposes the same name: a name several programs share is nobody's, and
// folders the desktop itself keeps there (autostart, mime, icons, ...) are never anybody's.
// Every base folder is listed once for all applications.
class XdgRelatedFiles {
public:
    XdgRelatedFiles(const platform::Layout& layout, const std::vector<InstalledApp>& apps,
                    const std::vector<std::pair<std::string, std::string>>& otherInstalled);

    // The related files of apps[index], by kind, each path once.
    const std::vector<RelatedFile>& filesOf(std::size_t index) const;

    // The names an application may keep its folders under, lower-cased.
    static std::vector<std::string> candidateNames(const InstalledApp& app);
    // Whether a lower-cased entry name belongs to the desktop as a whole.
    static bool isDesktopOwned(const std::string& lowerName);

private:
    void assignFolder(const std::string& folder, AppFileType type, bool settingsFiles);
    void assignContainers();
    void assignSnapData();
    void assignAutostart();
    // The one application proposing this lower-cased name, or npos.
    std::size_t ownerOf(const std::string& lowerName) const;

    const platform::Layout& layout_;
    const std::vector<InstalledApp>& apps_;
    std::unordered_map<std::string, std::vector<std::size_t>> claims_;
    std::vector<std::vector<RelatedFile>> files_;
};

}  // namespace orvane::apps
