#include "core/apps/DpkgDatabase.h"

#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "kit/Log.h"
#include "kit/RunProcess.h"
#include "kit/WholeFile.h"

namespace orvane::apps {

namespace {

bool readWhole(int dirFd, const char* name, std::string& out) {
    kit::WholeFile file = kit::readWholeFile(name, 256 << 20, kit::FileLinks::refuse, dirFd);
    if (!file) return false;
    out = std::move(file.bytes);
    return true;
}

}  // namespace

std::string DpkgDatabase::listFile(const std::string& package) const {
    return adminDir_ + "/info/" + package + ".list";
}

std::map<std::string, std::string> DpkgDatabase::owners(
    const std::vector<std::string>& paths) const {
    std::map<std::string, std::string> result;
    // dpkg lists paths as they are on the system; ours carry the root prefix.
    std::unordered_map<std::string, std::string> wanted;
    std::vector<bool> lengths;
    for (const std::string& path : paths) {
        if (!systemRoot_.empty() && path.rfind(systemRoot_ + "/", 0) != 0) continue;
        std::string systemPath = path.substr(systemRoot_.size());
        if (lengths.size() <= systemPath.size()) lengths.resize(systemPath.size() + 1);
        lengths[systemPath.size()] = true;
        wanted.emplace(std::move(systemPath), path);
    }
    if (wanted.empty()) return result;

    const std::string infoDir = adminDir_ + "/info";
    DIR* dir = ::opendir(infoDir.c_str());
    if (!dir) return result;
    std::vector<std::string> lists;
    while (dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name.size() > 5 && name.ends_with(".list")) lists.emplace_back(name);
    }
    std::sort(lists.begin(), lists.end());
    std::string text;
    for (const std::string& name : lists) {
        if (!readWhole(::dirfd(dir), name.c_str(), text)) continue;
        const std::string package = name.substr(0, name.size() - 5);
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            const std::size_t length = end - start;
            if (length < lengths.size() && lengths[length]) {
                auto it = wanted.find(text.substr(start, length));
                if (it != wanted.end()) result.emplace(it->second, package);
            }
            start = end + 1;
        }
    }
    ::closedir(dir);
    return result;
}

std::map<std::string, DpkgDatabase::Package> DpkgDatabase::packages(
    const std::vector<std::string>& names) const {
    std::map<std::string, Package> result;
    if (names.empty()) return result;
    std::vector<std::string> args = {"--admindir=" + adminDir_, "--show",
                                     "--showformat=${binary:Package}\\t${Version}\\t"
                                     "${Installed-Size}\\t${db:Status-Abbrev}\\n"};
    args.insert(args.end(), names.begin(), names.end());
    // dpkg-query exits 1 when one of the names is unknown and still lists the others.
    const kit::ProcessResult run = kit::runProcess("dpkg-query", args);
    if (!run.started) {
        ORVANE_LOG("dpkg-query could not be run: " + run.error);
        return result;
    }
    std::string_view rest = run.output;
    while (!rest.empty()) {
        const auto newline = rest.find('\n');
        std::string_view line = rest.substr(0, newline);
        rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
        std::vector<std::string_view> fields;
        while (true) {
            const auto tab = line.find('\t');
            fields.push_back(line.substr(0, tab));
            if (tab == std::string_view::npos) break;
            line.remove_prefix(tab + 1);
        }
        if (fields.size() != 4 || fields[0].empty() || !fields[3].starts_with("ii")) continue;
        Package package;
        package.name = std::string(fields[0]);
        package.version = std::string(fields[1]);
        std::uint64_t kib = 0;
        for (char c : fields[2]) {
            if (c < '0' || c > '9' || kib > (UINT64_MAX >> 11)) {
                kib = 0;
                break;
            }
            kib = kib * 10 + static_cast<std::uint64_t>(c - '0');
        }
        package.installedSize = kib * 1024;
        std::string key = package.name;
        result.emplace(std::move(key), std::move(package));
        // dpkg names co-installable packages "name:arch"; the files list may lack the suffix.
        if (auto colon = fields[0].find(':'); colon != std::string_view::npos)
            result.emplace(std::string(fields[0].substr(0, colon)),
                           result.at(std::string(fields[0])));
    }
    return result;
}

}  // namespace orvane::apps
