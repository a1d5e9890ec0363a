#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/DiskInfo.h"

namespace orvane::platform {

// The disk inventory of a Linux machine, read from sysfs: whole disks are the entries of
// <sys>/block that are neither virtual (loop, ram, zram, device-mapper, md) nor members of a
// software RAID; the disk under a path is found through <sys>/dev/block/MAJ:MIN.
class SysfsDiskInventory final : public DiskInventory {
public:
    // Block device number holding a path, or nothing. The default asks stat(), and for file
    // systems that report an anonymous device (btrfs) the device mounted there.
    using DeviceNumberOf = std::function<std::optional<dev_t>(const std::string& path)>;

    explicit SysfsDiskInventory(std::string sysRoot = "/sys", DeviceNumberOf deviceOf = {});

    std::vector<DiskInfo> allDevices() const override;
    std::string getDeviceModel(const std::string& path) const override;

    // The block device holding `path` as the default lookup finds it.
    static std::optional<dev_t> blockDeviceOf(const std::string& path);

private:
    std::string sysRoot_;
    DeviceNumberOf deviceOf_;
};

}  // namespace orvane::platform
