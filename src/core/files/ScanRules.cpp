#include "core/files/ScanRules.h"

#include <sys/stat.h>

#include "core/files/FileType.h"
#include "core/files/IgnoresPathExtention.h"
#include "core/settings/PerferenceInfo.h"
#include "kit/Paths.h"

namespace orvane::files {

namespace {

using kit::withoutTrailingSlashes;

constexpr std::string_view kPseudoFileSystems[] = {"/proc", "/sys", "/dev", "/run"};

}  // namespace

bool ScanRules::isPseudoFileSystemPath(std::string_view path) {
    for (auto p : kPseudoFileSystems)
        if (path == p || (path.starts_with(p) && path[p.size()] == '/')) return true;
    return false;
}

ScanRules::ScanRules(std::string homeDirectory,
                     std::shared_ptr<const settings::PerferenceInfo> preference)
    : home_(homeDirectory.empty() ? kit::customHomeDirectory() : std::move(homeDirectory)),
      preference_(std::move(preference)) {}

std::vector<std::string> ScanRules::cleanRoots(const std::vector<std::string>& roots) const {
    std::vector<std::string> kept;
    for (const auto& root : roots) {
        bool keep;
        if (root == "/") keep = true;
        else if (root.starts_with("/System")) keep = false;
        else if (root.starts_with("/Applications")) keep = false;
        else if (root.starts_with("/Library")) keep = false;
        else if (root.starts_with("/Users")) keep = root.starts_with(home_) || root == "/Users";
        else keep = !isPseudoFileSystemPath(withoutTrailingSlashes(root));
        if (keep) kept.push_back(root);
    }
    return kept;
}

bool ScanRules::isInsideFramework(std::string_view url) {
    std::size_t start = 0;
    while (start <= url.size()) {
        std::size_t end = url.find('/', start);
        if (end == std::string_view::npos) end = url.size();
        if (url.substr(start, end - start).ends_with(".framework")) return true;
        start = end + 1;
    }
    return false;
}

bool ScanRules::ignoresExtension(std::string_view extension) {
    return IgnoresPathExtention::contains(extension);
}

bool ScanRules::whitePathIgnore(const std::string& url) const {
    if (!preference_) return false;
    const std::string_view path = withoutTrailingSlashes(url);
    for (const auto& entry : preference_->whiteListPath)
        if (withoutTrailingSlashes(entry) == path) return true;
    for (const auto& raw : preference_->whiteListPath) {
        const std::string entry(withoutTrailingSlashes(raw));
        const std::string prefix = entry == "/" ? "/" : entry + "/";
        if (!path.starts_with(prefix) || path.size() == prefix.size()) continue;
        // The root must be something found by walking the entry: every folder between them a
        // real folder (a walk does not pass through links), the root itself existing.
        if (!kit::isFolder(entry)) continue;
        struct stat st {};
        bool reachable = true;
        for (std::size_t slash = path.find('/', prefix.size());
             reachable && slash != std::string::npos; slash = path.find('/', slash + 1)) {
            const std::string between(path.substr(0, slash));
            reachable = ::lstat(between.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        if (reachable && ::lstat(std::string(path).c_str(), &st) == 0) return true;
    }
    return false;
}

bool ScanRules::ignoreFile(std::string_view url, std::int64_t size,
                           const ResourceValues& values) const {
    if (!preference_) return false;
    const auto& p = *preference_;
    // The cheap tests first: on big trees most files are settled by their size alone.
    if (size == 0 && p.omitZeroByte) return true;
    if (p.enableMaxSize && p.maxSize && size > *p.maxSize) return true;
    if (p.enableMinSize && p.minSize && size < *p.minSize) return true;
    if (values.isHidden().value_or(false) && p.omitHidden) return true;
    for (const auto& entry : p.whiteListPath)
        if (withoutTrailingSlashes(entry) == url) return true;
    switch (fileTypeOfPath(url)) {
        case FileType::video:
            if (!p.omitVideo) return true;
            break;
        case FileType::audio:
            if (!p.omitAudio) return true;
            break;
        case FileType::picture:
            if (!p.omitPicture) return true;
            break;
        case FileType::document:
            if (!p.omitDocument) return true;
            break;
        case FileType::other:
            if (!p.omitOther) return true;
            break;
    }
    return false;
}

}  // namespace orvane::files
