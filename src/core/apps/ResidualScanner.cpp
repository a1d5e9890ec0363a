#include "core/apps/ResidualScanner.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "core/apps/AppIdentifiers.h"
#include "kit/Paths.h"

namespace orvane::apps {

namespace {

std::string lowercase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::vector<std::string> splitDots(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const auto dot = text.find('.', start);
        parts.push_back(text.substr(start, dot == std::string::npos ? dot : dot - start));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return parts;
}

// An installed or residual application as the matcher compares it: lower-cased identifier `b`,
// lower-cased name `n`, and the identifier's last two parts when it has three or more.
struct Candidate {
    std::string b;
    std::string n;
    std::string last;
    std::string secondLast;

    Candidate(const std::string& bundleID, const std::string& name)
        : b(lowercase(bundleID)), n(name) {
        const auto parts = splitDots(b);
        if (parts.size() >= 3 && std::none_of(parts.begin(), parts.end(),
                                              [](const std::string& p) { return p.empty(); })) {
            last = parts.back();
            secondLast = parts[parts.size() - 2];
        }
    }

    // The four tests, in order: the identifier itself, the identifier inside the name, the
    // app's name inside it, and the identifier's distinctive last parts inside it.
    bool claims(const std::string& item, const std::optional<std::string>& extractedLower) const {
        if (extractedLower && *extractedLower == b) return true;
        if (!b.empty() && item.find(b) != std::string::npos) return true;
        if (n.size() > 2 && item.find(n) != std::string::npos) return true;
        if (last.size() > 3 && item.find(last) != std::string::npos) return true;
        if (secondLast.size() >= 4 && item.find(secondLast) != std::string::npos) return true;
        return false;
    }
};

std::string withoutSpaces(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != ' ') out += c;
    return out;
}

std::vector<Candidate> installedCandidates(const ResidualScanner::InstalledAppInfo& installed) {
    std::vector<Candidate> out;
    out.reserve(installed.size());
    for (const auto& [bundleID, name] : installed)
        out.emplace_back(bundleID, lowercase(withoutSpaces(name)));
    return out;
}

// The installed check against prepared candidates, then the residual apps found so far.
ResidualScanner::Match match(const std::string& itemName,
                             const std::optional<std::string>& extracted,
                             const std::vector<Candidate>& installed,
                             const std::vector<std::pair<std::string, AppModelPtr>>& residualMap,
                             const std::vector<Candidate>& residuals) {
    const std::string item = lowercase(itemName);
    std::optional<std::string> extractedLower;
    if (extracted) extractedLower = lowercase(*extracted);
    for (const Candidate& candidate : installed)
        if (candidate.claims(item, extractedLower)) return {true, std::nullopt};
    for (std::size_t i = 0; i < residuals.size(); ++i)
        if (residuals[i].claims(item, extractedLower)) return {false, residualMap[i].first};
    return {};
}

}  // namespace

ResidualScanner::Match ResidualScanner::matchesApp(
    const std::string& itemName, const std::optional<std::string>& extractedBundleID,
    const InstalledAppInfo& installedAppInfo,
    const std::vector<std::pair<std::string, AppModelPtr>>& residualMap) {
    std::vector<Candidate> residuals;
    for (const auto& [key, app] : residualMap) residuals.emplace_back(key, lowercase(app->appName));
    return match(itemName, extractedBundleID, installedCandidates(installedAppInfo), residualMap,
                 residuals);
}

std::optional<std::string> ResidualScanner::extractBundleID(
    const platform::Layout::AppDataFolder& folder, const std::string& name) const {
    if (folder.namesAreIdentifiers)
        return isSnapInstanceName(name) ? std::optional<std::string>(name) : std::nullopt;
    std::string id = name;
    if (!folder.suffix.empty()) {
        if (!name.ends_with(folder.suffix) || name.size() == folder.suffix.size())
            return std::nullopt;
        id = name.substr(0, name.size() - folder.suffix.size());
    }
    if (!isValidBundleID(id)) return std::nullopt;
    // Names with dots abound in the XDG folders; only reverse-DNS ones name applications.
    if (layout_.kind == platform::Layout::Kind::freedesktop && !isReverseDnsName(id))
        return std::nullopt;
    return id;
}

void ResidualScanner::addFileToResidualApp(AppModel& app, const std::string& path,
                                           platform::Layout::AppDataFolder::Role role) const {
    for (const auto* list :
         {&app.peferenceFiles, &app.appSupportFiles, &app.logFiles, &app.otherFiles})
        for (const AppFilePtr& file : *list)
            if (file->url == path) return;
    auto record = std::make_shared<AppFileBaseModel>(
        path,
        static_cast<std::uint64_t>(std::max<std::int64_t>(0, sizer_.calculateFileSize(path))));
    using Role = platform::Layout::AppDataFolder::Role;
    switch (role) {
        case Role::preferences:
            record->setType(AppFileType::preferenceFile, layout_);
            app.peferenceFiles.push_back(std::move(record));
            break;
        case Role::applicationSupport:
            record->setType(AppFileType::appSupportFile, layout_);
            app.appSupportFiles.push_back(std::move(record));
            break;
        case Role::logs:
            record->setType(AppFileType::logFile, layout_);
            app.logFiles.push_back(std::move(record));
            break;
        case Role::other:
            record->setType(AppFileType::otherFile, layout_);
            app.otherFiles.push_back(std::move(record));
            break;
    }
}

std::vector<AppModelPtr> ResidualScanner::scanResidualApps(
    const InstalledAppInfo& installedAppInfo, const std::atomic<bool>* cancelled) const {
    const std::vector<Candidate> installed = installedCandidates(installedAppInfo);
    std::vector<std::pair<std::string, AppModelPtr>> residualMap;
    std::vector<Candidate> residuals;
    std::unordered_map<std::string, std::size_t> byKey;
    // On macOS an entry without an identifier may still join a residual app found before it;
    // the XDG folders are full of such names that belong to no application, so there an entry
    // counts only by its identifier.
    const bool identifiersOnly = layout_.kind == platform::Layout::Kind::freedesktop;
    for (const platform::Layout::AppDataFolder& folder : layout_.appDataFolders) {
        if (folder.path.empty()) continue;
        DIR* dir = ::opendir(folder.path.c_str());
        if (!dir) continue;
        std::vector<std::string> names;
        while (dirent* e = ::readdir(dir)) {
            const std::string_view name = e->d_name;
            if (name != "." && name != "..") names.emplace_back(name);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            if (cancelled && cancelled->load()) return {};
            const std::optional<std::string> id = extractBundleID(folder, name);
            if (identifiersOnly && !id) continue;
            const Match found = match(name, id, installed, residualMap, residuals);
            if (found.isInstalled) continue;
            const std::string path = kit::joinPath(folder.path, name);
            // A sandbox of its own shows a flatpak, whichever leftover was found first.
            const bool sandbox = layout_.kind == platform::Layout::Kind::freedesktop &&
                                 folder.path == layout_.containers;
            if (found.matchedResidualsKey) {
                AppModel& app = *residualMap[byKey.at(*found.matchedResidualsKey)].second;
                if (sandbox) app.kind = AppKind::flatpak;
                addFileToResidualApp(app, path, folder.role);
                continue;
            }
            if (!id) continue;
            auto known = byKey.find(*id);
            if (known == byKey.end()) {
                const auto parts = splitDots(*id);
                auto app = std::make_shared<AppModel>(parts.back(), *id, true);
                // What kind of application it was, as far as its leftovers tell.
                app->kind = layout_.kind == platform::Layout::Kind::macOS ? AppKind::bundle
                            : folder.namesAreIdentifiers                  ? AppKind::snap
                            : folder.path == layout_.containers           ? AppKind::flatpak
                                                                          : AppKind::desktop;
                known = byKey.emplace(*id, residualMap.size()).first;
                residuals.emplace_back(*id, lowercase(app->appName));
                residualMap.emplace_back(*id, std::move(app));
            }
            AppModel& app = *residualMap[known->second].second;
            if (sandbox) app.kind = AppKind::flatpak;
            addFileToResidualApp(app, path, folder.role);
        }
    }
    std::vector<AppModelPtr> result;
    for (auto& [key, app] : residualMap) result.push_back(std::move(app));
    std::sort(result.begin(), result.end(),
              [](const AppModelPtr& a, const AppModelPtr& b) { return a->bundleID < b->bundleID; });
    return result;
}

}  // namespace orvane::apps
