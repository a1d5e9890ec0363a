#include "core/apps/SnapInfo.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <fstream>

#include "core/apps/AppFileSizer.h"
#include "kit/Paths.h"

namespace orvane::apps {

std::string SnapInfo::yamlVersion(std::string_view yaml) {
    std::size_t start = 0;
    while (start < yaml.size()) {
        std::size_t end = yaml.find('\n', start);
        if (end == std::string_view::npos) end = yaml.size();
        std::string_view line = yaml.substr(start, end - start);
        start = end + 1;
        if (!line.starts_with("version:")) continue;
        line.remove_prefix(8);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.remove_suffix(1);
        if (line.size() >= 2 && (line.front() == '\'' || line.front() == '"') &&
            line.back() == line.front())
            line = line.substr(1, line.size() - 2);
        std::string version(line.substr(0, 64));
        for (char& c : version)
            if (static_cast<unsigned char>(c) < 0x20) c = ' ';
        return version;
    }
    return {};
}

SnapInfo SnapInfo::read(const std::string& mountFolder, const std::string& imagesFolder,
                        const std::string& name) {
    SnapInfo info;
    std::ifstream in(kit::joinPath(mountFolder, name) + "/current/meta/snap.yaml");
    if (in) {
        std::string text(64 * 1024, '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
        info.version = yamlVersion(text);
    }
    DIR* dir = ::opendir(imagesFolder.c_str());
    if (!dir) return info;
    const std::string prefix = name + "_";
    while (dirent* e = ::readdir(dir)) {
        const std::string_view file = e->d_name;
        if (!file.starts_with(prefix) || !file.ends_with(".snap")) continue;
        // <name>_<revision>.snap, a revision being digits or "x" and digits (local installs).
        std::string_view revision = file.substr(prefix.size(), file.size() - prefix.size() - 5);
        if (!revision.empty() && revision.front() == 'x') revision.remove_prefix(1);
        if (revision.empty() || !std::all_of(revision.begin(), revision.end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c));
            }))
            continue;
        info.imagesSize += static_cast<std::uint64_t>(
            AppFileSizer::logicalOrAllocatedSize(kit::joinPath(imagesFolder, std::string(file))));
    }
    ::closedir(dir);
    return info;
}

}  // namespace orvane::apps
