#include "core/junk/SoftScan.h"

#include <algorithm>

#include "core/junk/CacheEnumerator.h"
#include "core/junk/FilterParse.h"
#include "core/junk/JunkFiles.h"
#include "core/junk/RuleEnvironment.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::junk {

SoftScan::SoftScan(std::shared_ptr<CacheEnumerator> enumerator, std::shared_ptr<FilterParse> parse)
    : cacheEnumerator(std::move(enumerator)), filterParse(std::move(parse)) {}

std::int64_t SoftScan::calculateDirectorySize(const std::string& path) const {
    return files::treeSize(path, /*skipHidden=*/false, {},
                           [this] { return filterParse && filterParse->cancelled(); });
}

std::optional<std::string> SoftScan::getAppName(const ActionItem& action) const {
    if (!action.bundleId || !action.appPath) return std::nullopt;
    const std::string file = kit::directoryName(*action.appPath);
    if (file.ends_with(".app")) return file.substr(0, file.size() - 4);
    const std::string name = installedAppName(filterParse->environment().layout, *action.appPath);
    if (name.empty()) return std::nullopt;
    return name;
}

std::pair<std::optional<std::string>, std::optional<std::string>> SoftScan::extractAppInfoFromPath(
    const std::string& path) const {
    const auto& installed = cacheEnumerator->installBundleDict;
    std::size_t start = 0;
    while (start < path.size()) {
        auto slash = path.find('/', start);
        const std::string part =
            path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!part.empty() && part.front() != '.' && part.find('.') != std::string::npos) {
            if (auto it = installed.find(part); it != installed.end())
                return {part, installedAppName(filterParse->environment().layout, it->second)};
        }
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return {std::nullopt, std::nullopt};
}

std::vector<ResultItemPtr> SoftScan::scanAdaptSoftCache(const ActionItem& action) {
    std::vector<ResultItemPtr> out;
    for (const std::string& folder : cacheEnumerator->getCacheWithActionItem(action)) {
        if (filterParse->cancelled()) break;
        if (!files::statEntry(folder)) continue;
        auto item = std::make_shared<ResultItem>(folder, calculateDirectorySize(folder));
        item->cleanType = action.cleanType;
        item->bundleId = action.bundleId;
        item->appName = getAppName(action);
        out.push_back(item);
    }
    return out;
}

std::vector<ResultItemPtr> SoftScan::scanLeftAppCache() {
    std::vector<ResultItemPtr> out;
    std::int64_t total = 0;
    std::vector<std::string> folders;
    folders.insert(folders.end(), cacheEnumerator->libCacheArray.begin(),
                   cacheEnumerator->libCacheArray.end());
    folders.insert(folders.end(), cacheEnumerator->containerCacheArray.begin(),
                   cacheEnumerator->containerCacheArray.end());
    folders.insert(folders.end(), cacheEnumerator->tempCacheArray.begin(),
                   cacheEnumerator->tempCacheArray.end());
    for (const std::string& folder : folders) {
        if (filterParse->cancelled()) break;
        if (!files::statEntry(folder)) continue;
        // Data that only looks like a cache: an IDE's indexes, a music library's store, the
        // store uploader's packages.
        if (folder.find("IntelliJIdea") != std::string::npos ||
            folder.find("音乐") != std::string::npos ||
            folder.find("com.apple.amp.itmstransporter") != std::string::npos)
            continue;
        auto item = std::make_shared<ResultItem>(folder, calculateDirectorySize(folder));
        item->cleanType = CleanType::moveTrash;
        std::tie(item->bundleId, item->appName) = extractAppInfoFromPath(folder);
        total += item->fileSize;
        out.push_back(item);
    }
    ORVANE_LOG("所有扫描文件总大小: " + std::to_string(total));
    return out;
}

std::vector<ResultItemPtr> SoftScan::scanLeftAppLog(const ActionItemPtr& action) {
    std::vector<ResultItemPtr> out;
    for (const auto& hit : filterParse->enumerateFilePath(action)) {
        const std::string name = kit::directoryName(hit->path);
        if (name == "system.log" || name == "kernel.log" || name.starts_with("com.apple."))
            continue;
        if (hit->fileSize < 1) continue;
        std::tie(hit->bundleId, hit->appName) = extractAppInfoFromPath(hit->path);
        hit->cleanType = action->cleanType;
        out.push_back(hit);
    }
    return out;
}

}  // namespace orvane::junk
