#include "core/junk/CacheEnumerator.h"

#include <algorithm>

#include "core/junk/FilterParse.h"
#include "core/junk/RuleEnvironment.h"
#include "core/junk/RuleText.h"
#include "kit/Paths.h"

namespace orvane::junk {

namespace {

std::string lettersOnly(const std::string& text) {
    std::string out;
    for (char c : lowercased(text))
        if (c >= 'a' && c <= 'z') out += c;
    return out;
}

bool containsAny(const std::string& text, std::initializer_list<std::string_view> words) {
    return std::any_of(words.begin(), words.end(),
                       [&](std::string_view w) { return text.find(w) != std::string::npos; });
}

// The application folder a container cache path lies in ("<containers>/<id>/<sub>").
std::string containerId(const std::string& path, const std::string& containers) {
    if (!path.starts_with(containers + "/")) return {};
    const std::string rest = path.substr(containers.size() + 1);
    return rest.substr(0, rest.find('/'));
}

}  // namespace

CacheEnumerator::CacheEnumerator(std::shared_ptr<const RuleEnvironment> env)
    : env_(std::move(env)) {}

ActionItemPtr CacheEnumerator::createCacheActionItem(const std::string& path,
                                                     const std::string& scanFilters,
                                                     const std::string& type) {
    auto action = std::make_shared<ActionItem>();
    action->type = ActionType::file;
    action->cleanType = CleanType::remove;
    auto pathItem = std::make_shared<ActionPathItem>();
    pathItem->value = path;
    pathItem->type = type;
    pathItem->scanFilters = scanFilters;
    action->addActionPathItem(pathItem);
    return action;
}

void CacheEnumerator::initializeData(const FilterDictionary& filters) {
    const auto& layout = env_->layout;
    FilterParse parser(filters, env_);
    auto listWith = [&](const char* filterId, const std::string& path, const std::string& type) {
        std::vector<std::string> out;
        auto it = filters.find(filterId);
        if (it == filters.end() || path.empty()) return out;
        const auto action = createCacheActionItem(path, it->second->value.value_or(""), type);
        for (const auto& hit : parser.enumerateFilePath(action)) out.push_back(hit->path);
        return out;
    };
    auto keep = [](std::vector<std::string> paths, bool strict) {
        std::vector<std::string> out;
        for (auto& p : paths) {
            const std::string name = kit::directoryName(p);
            if (name.find('.') == std::string::npos) continue;
            if (strict ? containsAny(name, {"Images", "Videos", "File", "Extension"})
                       : containsAny(name, {"Extension"}))
                continue;
            out.push_back(std::move(p));
        }
        return out;
    };
    std::lock_guard guard(lock_);
    libCacheArray = keep(listWith("73", layout.caches, "abs"), true);
    const std::string containerPattern =
        layout.containers.empty() ? std::string()
                                  : layout.containers + "/(.+)/" + layout.containerCachesSubpath;
    containerCacheArray = keep(listWith("74", containerPattern, "abs"), true);
    tempCacheArray = keep(listWith("75", "SystemTempDir", "special"), false);
}

std::string CacheEnumerator::getAppName(const std::string& bundleId) const {
    auto it = installBundleDict.find(bundleId);
    if (it == installBundleDict.end()) return {};
    return installedAppName(env_->layout, it->second);
}

bool CacheEnumerator::libraryMatch(const std::string& folder, const std::string& bundleId,
                                   const std::string& appName) const {
    const std::string name = kit::directoryName(folder);
    if (!bundleId.empty() && lowercased(name).find(lowercased(bundleId)) != std::string::npos)
        return true;
    const std::string letters = lettersOnly(appName);
    return !letters.empty() && lettersOnly(name) == letters;
}

std::vector<std::string> CacheEnumerator::getLibraryCacheByBundleId(const std::string& bundleId,
                                                                    const std::string& appName) {
    std::lock_guard guard(lock_);
    std::vector<std::string> found;
    // Pruned like the other lists, so a cache given to its application is never offered again
    // as a leftover.
    std::erase_if(libCacheArray, [&](const std::string& folder) {
        if (!libraryMatch(folder, bundleId, appName)) return false;
        found.push_back(folder);
        return true;
    });
    return found;
}

std::vector<std::string> CacheEnumerator::getContainerCacheByBundleId(const std::string& bundleId) {
    std::lock_guard guard(lock_);
    std::vector<std::string> found;
    const std::string wanted = lowercased(bundleId);
    std::erase_if(containerCacheArray, [&](const std::string& folder) {
        if (wanted.empty() || lowercased(containerId(folder, env_->layout.containers)) != wanted)
            return false;
        found.push_back(folder);
        return true;
    });
    return found;
}

std::vector<std::string> CacheEnumerator::getTempCacheByBundleId(const std::string& bundleId) {
    std::lock_guard guard(lock_);
    std::vector<std::string> found;
    const std::string wanted = lowercased(bundleId);
    std::erase_if(tempCacheArray, [&](const std::string& folder) {
        if (wanted.empty() ||
            lowercased(kit::directoryName(folder)).find(wanted) == std::string::npos)
            return false;
        found.push_back(folder);
        return true;
    });
    return found;
}

std::vector<std::string> CacheEnumerator::getCacheWithActionItem(const ActionItem& action) {
    const std::string bundleId = action.bundleId.value_or("");
    const std::string appName = getAppName(bundleId);
    std::vector<std::string> out;
    auto add = [&](std::vector<std::string> more) {
        out.insert(out.end(), more.begin(), more.end());
    };
    std::vector<std::string> ids{bundleId};
    if (action.appstoreBundleId && *action.appstoreBundleId != bundleId)
        ids.push_back(*action.appstoreBundleId);
    for (const auto& id : ids) add(getLibraryCacheByBundleId(id, appName));
    for (const auto& id : ids) {
        add(getContainerCacheByBundleId(id));
        add(getTempCacheByBundleId(id));
    }
    return out;
}

int CacheEnumerator::estimateCacheCount(const ActionItem& action) const {
    const std::string bundleId = action.bundleId.value_or("");
    const std::string appName = getAppName(bundleId);
    const std::string wanted = lowercased(bundleId);
    std::lock_guard guard(lock_);
    int count = 0;
    for (const auto& folder : libCacheArray)
        count += libraryMatch(folder, bundleId, appName) ? 1 : 0;
    for (const auto& folder : containerCacheArray)
        count +=
            !wanted.empty() && lowercased(containerId(folder, env_->layout.containers)) == wanted
                ? 1
                : 0;
    for (const auto& folder : tempCacheArray)
        count += !wanted.empty() &&
                         lowercased(kit::directoryName(folder)).find(wanted) != std::string::npos
                     ? 1
                     : 0;
    return count;
}

}  // namespace orvane::junk
