#include "core/junk/RunningApps.h"

#include <dirent.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "kit/Paths.h"

namespace orvane::junk {

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Interpreters and shells run everything; their names say nothing about whose cache it is.
bool tooGeneric(const std::string& name) {
    static const std::set<std::string> generic = {
        "sh",     "bash",    "dash",    "zsh",           "fish", "env",
        "sudo",   "init",    "systemd", "perl",          "ruby", "node",
        "python", "python3", "java",    "login",         "su",   "dbus-daemon",
        "sshd",   "bwrap",   "flatpak", "flatpak-bwrap", "snap", "xdg-dbus-proxy"};
    return name.size() < 3 || generic.contains(name);
}

// The words of a name ("google-chrome" → google, chrome; "org.mozilla.firefox" → ..., firefox).
std::vector<std::string> words(const std::string& name) {
    std::vector<std::string> out;
    std::string word;
    for (char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            word += c;
        } else if (!word.empty()) {
            out.push_back(word);
            word.clear();
        }
    }
    if (!word.empty()) out.push_back(word);
    return out;
}

}  // namespace

RunningApps::RunningApps(std::set<std::string> executableNames) {
    for (const std::string& name : executableNames) {
        const std::string n = lower(name);
        if (!tooGeneric(n)) names_.insert(n);
    }
}

RunningApps RunningApps::read(const std::string& procRoot) {
    std::set<std::string> names;
    DIR* dir = ::opendir(procRoot.c_str());
    if (!dir) return {};
    while (dirent* entry = ::readdir(dir)) {
        const std::string pid = entry->d_name;
        if (pid.empty() || !std::all_of(pid.begin(), pid.end(), ::isdigit)) continue;
        char target[PATH_MAX + 1];
        const std::string link = procRoot + "/" + pid + "/exe";
        const ssize_t n = ::readlink(link.c_str(), target, PATH_MAX);
        if (n <= 0) continue;  // a kernel thread, or another user's process
        std::string path(target, static_cast<std::size_t>(n));
        if (path.ends_with(" (deleted)")) path.resize(path.size() - 10);
        names.insert(kit::directoryName(path));
    }
    ::closedir(dir);
    return RunningApps(std::move(names));
}

std::string RunningApps::ownerOf(const CleanBaseItem& item,
                                 const std::vector<std::string>& appFolders) const {
    if (names_.empty()) return {};
    std::vector<std::string> candidates{lower(kit::directoryName(item.url)),
                                        lower(item.bundleIdentifier), lower(item.appName)};
    for (const std::string& folder : appFolders)
        if (!folder.empty() && item.url.size() > folder.size() + 1 &&
            item.url.compare(0, folder.size(), folder) == 0 && item.url[folder.size()] == '/')
            candidates.push_back(lower(item.url.substr(folder.size() + 1)));
    for (const std::string& candidate : candidates) {
        if (candidate.empty()) continue;
        if (names_.contains(candidate)) return candidate;
        for (const std::string& word : words(candidate))
            if (names_.contains(word)) return word;
    }
    return {};
}

}  // namespace orvane::junk
