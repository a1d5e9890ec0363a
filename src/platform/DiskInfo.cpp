#include "platform/DiskInfo.h"

#include <utility>

#include "kit/Paths.h"
#include "platform/linux/SysfsDiskInventory.h"

namespace orvane::platform {

namespace {

std::string valueOr(const std::map<std::string, std::string>& map, const char* key) {
    auto it = map.find(key);
    return it == map.end() ? std::string() : it->second;
}

}  // namespace

DiskInfo DiskInfo::fromCharacteristics(std::map<std::string, std::string> characteristics) {
    DiskInfo info;
    info.diskInfos = std::move(characteristics);
    info.serialNumber = valueOr(info.diskInfos, "Serial Number");
    info.mediumType = valueOr(info.diskInfos, "Medium Type");
    info.productName = valueOr(info.diskInfos, "Product Name");
    info.vendorName = valueOr(info.diskInfos, "Vendor Name");
    info.productRevisonLevel = valueOr(info.diskInfos, "Product Revision Level");
    info.SSD = info.mediumType == "Solid State";
    return info;
}

std::string DiskInventory::customHomeDirectory() { return kit::customHomeDirectory(); }

std::shared_ptr<const DiskInventory> makeDiskInventory() {
    return std::make_shared<SysfsDiskInventory>();
}

}  // namespace orvane::platform
