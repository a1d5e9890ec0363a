#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/junk/CleanBaseItem.h"
#include "core/junk/JunkTypes.h"

namespace orvane::junk {

// The items of one kind of junk found by the last scan. Written only by that kind's scan
// operation (one at a time on the scan queue); screens read it after the scan or through the
// items they are handed as they arrive.
class CleanBaseModel {
public:
    explicit CleanBaseModel(CleanJunkType type) : junkType(static_cast<std::uint32_t>(type)) {}
    virtual ~CleanBaseModel() = default;

    bool selectToclean = true;
    const std::uint32_t junkType;
    std::vector<CleanBaseItemPtr> allItems;
    int selectState = 0;
    int suceesCount = 0;
    int errorCount = 0;

    virtual void addCacheItem(const CleanBaseItemPtr& item) { allItems.push_back(item); }
    virtual void resetData() {
        allItems.clear();
        suceesCount = 0;
        errorCount = 0;
    }
    bool containsPath(const std::string& path) const;
    std::int64_t totalSize() const;
    // The heading of the kind on screen and in the command line.
    std::string name() const;
};

class CleanSystemJunkModel final : public CleanBaseModel {
public:
    CleanSystemJunkModel() : CleanBaseModel(CleanJunkType::systemJunk) {}
    std::vector<CleanBaseItemPtr> cacheItems, logItems;
    std::vector<std::string> garbageFolderList, logFolderList;
    void addCacheItem(const CleanBaseItemPtr& item) override;
    void resetData() override;
};

class CleanAppCacheModel final : public CleanBaseModel {
public:
    CleanAppCacheModel() : CleanBaseModel(CleanJunkType::appJunk) {}
    std::vector<CleanBaseItemPtr> cacheItems, logItems;
    // One item per installed application, for the screens' list of applications.
    std::vector<CleanBaseItemPtr> supportAppList;
    std::vector<std::string> garbageFolderList, logFolderList, sandBoxList;
    void addCacheItem(const CleanBaseItemPtr& item) override;
    void resetData() override;
};

class CleanTrashModel final : public CleanBaseModel {
public:
    CleanTrashModel() : CleanBaseModel(CleanJunkType::trash) {}
    std::vector<std::string> trashFolderList;
    std::vector<CleanBaseItemPtr> trashItems;
    void addCacheItem(const CleanBaseItemPtr& item) override;
    void resetData() override;
};

class CleanPackageModel final : public CleanBaseModel {
public:
    CleanPackageModel() : CleanBaseModel(CleanJunkType::package) {}
    std::vector<std::string> packageFolderList;
    std::vector<CleanBaseItemPtr> packageItems;
    void addCacheItem(const CleanBaseItemPtr& item) override;
    void resetData() override;
};

class CleanNetJunkModel final : public CleanBaseModel {
public:
    CleanNetJunkModel() : CleanBaseModel(CleanJunkType::internetJunk) {}
    std::vector<std::string> netJunkFolderList;
    std::vector<CleanBaseItemPtr> netJunkItems;
    void addCacheItem(const CleanBaseItemPtr& item) override;
    void resetData() override;
};

using CleanBaseModelPtr = std::shared_ptr<CleanBaseModel>;

}  // namespace orvane::junk
