#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orvane::platform {

// One physical disk and the characteristics the duplicate finder needs from it.
struct DiskInfo {
    std::map<std::string, std::string> diskInfos;  // "Product Name", "Medium Type", ...
    std::string serialNumber;
    std::string mediumType;
    std::string productName;
    std::string vendorName;
    std::string productRevisonLevel;
    bool SSD = false;  // mediumType == "Solid State"
    std::vector<std::string> volumePaths;

    // Fills the named fields and SSD from diskInfos.
    static DiskInfo fromCharacteristics(std::map<std::string, std::string> characteristics);
};

// Whole, non-RAID disks and the model of the disk holding a path.
class DiskInventory {
public:
    virtual ~DiskInventory() = default;
    virtual std::vector<DiskInfo> allDevices() const = 0;
    // Model of the whole disk holding `path`, or "" when there is none (network, tmpfs, image).
    virtual std::string getDeviceModel(const std::string& path) const = 0;
    // The user's home folder; the photo and large-file finders take their start from here.
    static std::string customHomeDirectory();
};

// The running system's disk inventory (sysfs on Linux).
std::shared_ptr<const DiskInventory> makeDiskInventory();

}  // namespace orvane::platform
