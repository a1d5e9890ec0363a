#include "core/apps/LibraryRelatedFiles.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "core/apps/AppIdentifiers.h"
#include "kit/Paths.h"

namespace orvane::apps {

namespace {

// One kind's findings, each path once.
class Collector {
public:
    Collector(AppFileType type, std::vector<RelatedFile>& out) : type_(type), out_(out) {}

    void add(const std::string& path) {
        if (seen_.insert(path).second) out_.push_back({path, type_});
    }
    // A name that is not one component ("..", "a/b", "") would reach outside the folder.
    void addIfFolder(const std::string& folder, const std::string& name) {
        if (folder.empty() || !isPrintableName(name)) return;
        const std::string path = kit::joinPath(folder, name);
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) add(path);
    }
    void addIfExists(const std::string& folder, const std::string& name) {
        if (folder.empty() || !isPrintableName(name)) return;
        const std::string path = kit::joinPath(folder, name);
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0) add(path);
    }
    // Shallow listing; a folder that cannot be listed contributes nothing.
    template <class Test>
    void addMatching(const std::string& folder, Test test) {
        if (folder.empty()) return;
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) return;
        std::vector<std::string> names;
        while (dirent* e = ::readdir(dir)) {
            const std::string_view name = e->d_name;
            if (name != "." && name != ".." && test(name)) names.emplace_back(name);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) add(kit::joinPath(folder, name));
    }

private:
    AppFileType type_;
    std::vector<RelatedFile>& out_;
    std::set<std::string> seen_;
};

bool contains(std::string_view text, std::string_view part) {
    return !part.empty() && text.find(part) != std::string_view::npos;
}

}  // namespace

std::vector<RelatedFile> LibraryRelatedFiles::scanAppRelatedFiles(
    const std::string& bundleID, const std::string& appName) const {
    std::vector<RelatedFile> found;

    Collector preferences(AppFileType::preferenceFile, found);
    std::vector<std::string> preferenceFolders = {layout_.preferences};
    preferenceFolders.insert(preferenceFolders.end(), layout_.systemPreferences.begin(),
                             layout_.systemPreferences.end());
    for (const std::string& folder : preferenceFolders)
        preferences.addMatching(folder, [&](std::string_view name) {
            return contains(name, bundleID) && name.ends_with(".plist");
        });

    Collector support(AppFileType::appSupportFile, found);
    std::vector<std::string> supportFolders = {layout_.applicationSupport};
    supportFolders.insert(supportFolders.end(), layout_.systemApplicationSupport.begin(),
                          layout_.systemApplicationSupport.end());
    for (const std::string& folder : supportFolders) {
        support.addIfFolder(folder, bundleID);
        support.addIfFolder(folder, appName);
    }

    // The system's own log folder is the first of its log places; /var/log belongs to daemons.
    Collector logs(AppFileType::logFile, found);
    std::vector<std::string> logFolders = {layout_.logs};
    if (!layout_.systemLogs.empty()) logFolders.push_back(layout_.systemLogs.front());
    for (const std::string& folder : logFolders) {
        logs.addIfExists(folder, bundleID);
        logs.addIfExists(folder, appName);
    }

    Collector other(AppFileType::otherFile, found);
    other.addIfFolder(layout_.containers, bundleID);
    other.addMatching(layout_.groupContainers, [&](std::string_view name) {
        return contains(name, bundleID) || contains(name, appName);
    });
    other.addIfFolder(layout_.caches, bundleID);
    other.addIfFolder(layout_.caches, appName);
    other.addIfFolder(layout_.savedApplicationState, bundleID + ".savedState");
    other.addIfFolder(layout_.webKit, bundleID);
    other.addIfFolder(layout_.httpStorages, bundleID);
    other.addMatching(layout_.cookies,
                      [&](std::string_view name) { return contains(name, bundleID); });
    return found;
}

}  // namespace orvane::apps
