#include "core/apps/DesktopAppDiscovery.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <unordered_map>

#include "core/apps/AppIdentifiers.h"
#include "core/apps/DesktopEntry.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::apps {

namespace {

struct FoundEntry {
    std::string id;
    std::string path;
};

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<long>(suffix.size()),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

std::string lowercase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Names are shown in lists and written to JSON; a line break inside one is a trick or a slip.
std::string singleLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    return text;
}

std::vector<std::string> sortedNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (dirent* e = ::readdir(dir)) {
        std::string_view name = e->d_name;
        if (name == "." || name == "..") continue;
        names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool isDirectoryNoFollow(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Desktop-file ids of entries in subfolders join the folder names with "-"; depth is bounded
// because nothing real nests deeper and a hostile tree could.
void collectEntries(const std::string& folder, const std::string& prefix, int depth,
                    std::set<std::string>& seen, std::vector<FoundEntry>& out) {
    for (const std::string& name : sortedNames(folder)) {
        const std::string path = kit::joinPath(folder, name);
        if (name.size() > 8 && name.ends_with(".desktop")) {
            if (!isPrintableName(name)) {
                ORVANE_LOG("Passing over a desktop entry with an unreadable name in " + folder);
                continue;
            }
            std::string id = prefix + name.substr(0, name.size() - 8);
            if (!seen.insert(id).second) continue;
            out.push_back({std::move(id), path});
        } else if (depth < 3 && isDirectoryNoFollow(path) && isPrintableName(name)) {
            collectEntries(path, prefix + name + "-", depth + 1, seen, out);
        }
    }
}

}  // namespace

std::string DesktopAppDiscovery::flatpakDeployFolder(const std::string& appId) const {
    for (const std::string& installation : layout_.flatpakInstallations) {
        const std::string folder = installation + "/app/" + appId;
        if (isDirectoryNoFollow(folder)) return folder;
    }
    return {};
}

bool DesktopAppDiscovery::isRunnableAppImage(const std::string& path, std::string* why) {
    auto fail = [&](const char* text) {
        if (why) *why = text;
        return false;
    };
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return fail("it is gone");
    if (!S_ISREG(st.st_mode)) return fail("it is not a regular file");
    if ((st.st_mode & 0111) == 0) return fail("it is not executable");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return fail("it cannot be read");
    unsigned char head[11] = {};
    const ssize_t n = ::pread(fd, head, sizeof head, 0);
    ::close(fd);
    // An ELF runtime with "AI" and the format's version at offset 8.
    if (n != static_cast<ssize_t>(sizeof head) || head[0] != 0x7f || head[1] != 'E' ||
        head[2] != 'L' || head[3] != 'F' || head[8] != 'A' || head[9] != 'I' ||
        (head[10] != 1 && head[10] != 2))
        return fail("it is not an AppImage");
    return true;
}

void DesktopAppDiscovery::splitAppImageName(const std::string& fileName, std::string& name,
                                            std::string& version) {
    std::string stem = fileName;
    if (endsWithNoCase(stem, ".appimage")) stem.resize(stem.size() - 9);
    for (std::string_view arch :
         {"x86_64", "x86-64", "amd64", "i386", "i686", "aarch64", "arm64", "armhf"}) {
        if (stem.size() > arch.size() + 1 && endsWithNoCase(stem, arch) &&
            std::string_view("-_.").find(stem[stem.size() - arch.size() - 1]) !=
                std::string_view::npos) {
            stem.resize(stem.size() - arch.size() - 1);
            break;
        }
    }
    name = stem;
    version.clear();
    for (std::size_t i = 1; i + 1 < stem.size(); ++i) {
        if ((stem[i] == '-' || stem[i] == '_') &&
            std::isdigit(static_cast<unsigned char>(stem[i + 1]))) {
            name = stem.substr(0, i);
            const std::string rest = stem.substr(i + 1);
            version = rest.substr(0, rest.find_first_of("-_"));
            break;
        }
    }
}

DesktopDiscovery DesktopAppDiscovery::discover(const std::atomic<bool>* cancelled) const {
    return discover(layout_.applicationRoots, layout_.portableApplicationRoots, cancelled);
}

DesktopDiscovery DesktopAppDiscovery::discover(const std::vector<std::string>& entryFolders,
                                               const std::vector<std::string>& appImageFolders,
                                               const std::atomic<bool>* cancelled) const {
    DesktopDiscovery result;
    std::set<std::string> seenIds;
    std::vector<FoundEntry> entries;
    for (const std::string& folder : entryFolders) collectEntries(folder, "", 0, seenIds, entries);

    std::unordered_map<std::string, std::size_t> byId;
    // AppImages by device and inode, so an integration entry and the file itself meet.
    std::map<std::pair<dev_t, ino_t>, std::size_t> appImages;

    auto addApp = [&](InstalledApp app) -> InstalledApp& {
        auto [it, inserted] = byId.emplace(app.bundleID, result.apps.size());
        if (inserted) {
            result.apps.push_back(std::move(app));
            return result.apps.back();
        }
        InstalledApp& existing = result.apps[it->second];
        for (std::size_t i = 0; i < app.desktopEntries.size(); ++i) {
            existing.desktopEntries.push_back(app.desktopEntries[i]);
            existing.desktopIds.push_back(app.desktopIds[i]);
        }
        // The entry named after the application itself names it best ("org.x.Y.desktop" of a
        // flatpak, "name_name.desktop" of a snap).
        if (!app.desktopIds.empty() && (app.desktopIds[0] == app.bundleID ||
                                        app.desktopIds[0] == app.bundleID + "_" + app.bundleID)) {
            existing.appName = app.appName;
            existing.iconName = app.iconName;
            existing.program = app.program;
        }
        return existing;
    };

    for (const FoundEntry& found : entries) {
        if (cancelled && cancelled->load()) return result;
        std::string error;
        auto entry = DesktopEntry::read(found.path, &error);
        if (!entry) {
            ORVANE_LOG("Passing over desktop entry " + kit::displayPath(found.path) + ": " + error);
            continue;
        }
        if (entry->type() != "Application") continue;
        const std::string flatpakId = entry->string("X-Flatpak");
        const std::string program = entry->program();
        if (entry->hidden() || entry->noDisplay() || program.empty()) {
            if (program.empty() && !entry->hidden() && !entry->noDisplay())
                ORVANE_LOG("Passing over desktop entry " + kit::displayPath(found.path) +
                           ": it starts nothing (no Exec)");
            result.otherInstalled.emplace_back(found.id, found.path);
            if (isFlatpakAppId(flatpakId))
                result.otherInstalled.emplace_back(flatpakId, found.path);
            continue;
        }
        InstalledApp app;
        app.appName = singleLine(entry->name());
        if (app.appName.empty()) {
            ORVANE_LOG("Passing over desktop entry " + kit::displayPath(found.path) + ": no Name");
            continue;
        }
        app.iconName = singleLine(entry->icon());
        app.program = program;
        app.desktopEntries = {found.path};
        app.desktopIds = {found.id};

        const std::string snapName = entry->string("X-SnapInstanceName");
        const bool inSnapFolder = !layout_.snapDesktopFolder.empty() &&
                                  platform::isPathInside(found.path, layout_.snapDesktopFolder);
        if (!flatpakId.empty()) {
            if (!isFlatpakAppId(flatpakId)) {
                ORVANE_LOG("Passing over desktop entry " + kit::displayPath(found.path) +
                           ": its flatpak id is not a valid application id");
                continue;
            }
            app.kind = AppKind::flatpak;
            app.bundleID = flatpakId;
            app.path = flatpakDeployFolder(flatpakId);
        } else if (!snapName.empty() || inSnapFolder) {
            const std::string name =
                !snapName.empty() ? snapName : found.id.substr(0, found.id.find('_'));
            if (!isSnapInstanceName(name)) {
                ORVANE_LOG("Passing over desktop entry " + kit::displayPath(found.path) +
                           ": its snap name is not valid");
                continue;
            }
            app.kind = AppKind::snap;
            app.bundleID = name;
            const std::string mount = kit::joinPath(layout_.snapMountFolder, name);
            app.path = isDirectoryNoFollow(mount) ? mount : std::string();
        } else if (endsWithNoCase(program, ".appimage") || entry->value("X-AppImage-Version")) {
            std::string why;
            if (program.front() != '/' || !isRunnableAppImage(program, &why)) {
                ORVANE_LOG("Passing over desktop entry " + kit::displayPath(found.path) +
                           ": its AppImage " + kit::displayPath(program) + " " +
                           (why.empty() ? "is not a full path" : why));
                continue;
            }
            app.kind = AppKind::appimage;
            app.bundleID = found.id;
            app.path = program;
            app.version = singleLine(entry->string("X-AppImage-Version"));
        } else {
            app.kind = AppKind::desktop;
            app.bundleID = found.id;
        }
        if (app.path.empty()) app.path = found.path;
        InstalledApp& added = addApp(std::move(app));
        if (added.kind == AppKind::appimage) {
            struct stat st {};
            if (::stat(added.path.c_str(), &st) == 0)
                appImages.emplace(std::make_pair(st.st_dev, st.st_ino), byId[added.bundleID]);
        }
    }

    for (const std::string& folder : appImageFolders) {
        for (const std::string& name : sortedNames(folder)) {
            if (cancelled && cancelled->load()) return result;
            if (!endsWithNoCase(name, ".appimage") || name.size() <= 9) continue;
            const std::string path = kit::joinPath(folder, name);
            if (!isPrintableName(name)) {
                ORVANE_LOG("Passing over an AppImage with an unreadable name in " +
                           kit::displayPath(folder));
                continue;
            }
            std::string why;
            if (!isRunnableAppImage(path, &why)) {
                ORVANE_LOG("Passing over " + kit::displayPath(path) + ": " + why);
                continue;
            }
            struct stat st {};
            if (::stat(path.c_str(), &st) != 0) continue;
            const auto key = std::make_pair(st.st_dev, st.st_ino);
            if (appImages.count(key)) continue;  // its integration entry listed it already
            InstalledApp app;
            app.kind = AppKind::appimage;
            splitAppImageName(name, app.appName, app.version);
            app.bundleID = lowercase(app.appName);
            if (byId.count(app.bundleID)) app.bundleID = name.substr(0, name.size() - 9);
            if (byId.count(app.bundleID)) continue;  // the same file name in two folders
            app.path = path;
            app.program = path;
            appImages.emplace(key, result.apps.size());
            addApp(std::move(app));
        }
    }

    // Command-line flatpaks and snaps have no entry yet are installed all the same.
    std::set<std::string> listed;
    for (const InstalledApp& app : result.apps) listed.insert(app.bundleID);
    auto addInstalledFolders = [&](const std::string& folder, bool (*valid)(std::string_view)) {
        for (const std::string& name : sortedNames(folder)) {
            const std::string path = kit::joinPath(folder, name);
            if (valid(name) && !listed.count(name) && isDirectoryNoFollow(path)) {
                listed.insert(name);
                result.otherInstalled.emplace_back(name, path);
            }
        }
    };
    for (const std::string& installation : layout_.flatpakInstallations)
        addInstalledFolders(installation + "/app", isFlatpakAppId);
    if (!layout_.snapMountFolder.empty())
        addInstalledFolders(layout_.snapMountFolder, isSnapInstanceName);
    return result;
}

}  // namespace orvane::apps
