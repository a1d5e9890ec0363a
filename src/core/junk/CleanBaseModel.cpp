#include "core/junk/CleanBaseModel.h"

#include <algorithm>

namespace orvane::junk {

bool CleanBaseModel::containsPath(const std::string& path) const {
    return std::any_of(allItems.begin(), allItems.end(),
                       [&](const CleanBaseItemPtr& i) { return i->url == path; });
}

std::int64_t CleanBaseModel::totalSize() const {
    std::int64_t total = 0;
    for (const auto& item : allItems) total += item->size();
    return total;
}

std::string CleanBaseModel::name() const {
    switch (static_cast<CleanJunkType>(junkType)) {
        case CleanJunkType::systemJunk: return "System Junk";
        case CleanJunkType::appJunk: return "Application Junk";
        case CleanJunkType::trash: return "Trash";
        case CleanJunkType::package: return "Installation Packages";
        case CleanJunkType::internetJunk: return "Internet Junk";
    }
    return "Junk";
}

void CleanSystemJunkModel::addCacheItem(const CleanBaseItemPtr& item) {
    CleanBaseModel::addCacheItem(item);
    (item->systemJunkType == SystemJunkType::systemLogs ? logItems : cacheItems).push_back(item);
}
void CleanSystemJunkModel::resetData() {
    CleanBaseModel::resetData();
    cacheItems.clear();
    logItems.clear();
}

void CleanAppCacheModel::addCacheItem(const CleanBaseItemPtr& item) {
    CleanBaseModel::addCacheItem(item);
    (item->appJunkType == 1 ? logItems : cacheItems).push_back(item);
}
void CleanAppCacheModel::resetData() {
    CleanBaseModel::resetData();
    cacheItems.clear();
    logItems.clear();
}

void CleanTrashModel::addCacheItem(const CleanBaseItemPtr& item) {
    CleanBaseModel::addCacheItem(item);
    trashItems.push_back(item);
}
void CleanTrashModel::resetData() {
    CleanBaseModel::resetData();
    trashItems.clear();
}

void CleanPackageModel::addCacheItem(const CleanBaseItemPtr& item) {
    CleanBaseModel::addCacheItem(item);
    packageItems.push_back(item);
}
void CleanPackageModel::resetData() {
    CleanBaseModel::resetData();
    packageItems.clear();
}

void CleanNetJunkModel::addCacheItem(const CleanBaseItemPtr& item) {
    CleanBaseModel::addCacheItem(item);
    netJunkItems.push_back(item);
}
void CleanNetJunkModel::resetData() {
    CleanBaseModel::resetData();
    netJunkItems.clear();
}

}  // namespace orvane::junk
