#include "platform/linux/SysfsDiskInventory.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

#include "kit/Log.h"
#include "platform/Volume.h"

namespace orvane::platform {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> readTrimmed(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Block devices that are not physical disks of their own.
bool isVirtualName(const std::string& name) {
    for (std::string_view prefix : {"loop", "ram", "zram", "md", "dm-", "nbd"})
        if (name.starts_with(prefix)) return true;
    return false;
}

bool heldByRaid(const fs::path& blockDir) {
    std::error_code ec;
    for (const auto& holder : fs::directory_iterator(blockDir / "holders", ec))
        if (holder.path().filename().string().starts_with("md")) return true;
    return false;
}

// A disk counts as a RAID member when it, or one of its partitions, belongs to an md array.
bool isRaidMember(const fs::path& diskDir) {
    if (heldByRaid(diskDir)) return true;
    std::error_code ec;
    for (const auto& child : fs::directory_iterator(diskDir, ec)) {
        std::error_code fileEc;
        if (fs::exists(child.path() / "partition", fileEc) && heldByRaid(child.path())) return true;
    }
    return false;
}

std::map<std::string, std::string> characteristicsOf(const fs::path& diskDir,
                                                     const std::string& name) {
    std::map<std::string, std::string> result;
    const fs::path device = diskDir / "device";
    // Disks without a model of their own (virtio) are named by their kernel name, so that the
    // model of the disk under a path still matches its entry here.
    auto model = readTrimmed(device / "model");
    if (!model || model->empty()) model = readTrimmed(device / "name");  // SD and eMMC cards
    result["Product Name"] = model && !model->empty() ? *model : name;
    if (auto vendor = readTrimmed(device / "vendor"); vendor && !vendor->empty())
        result["Vendor Name"] = *vendor;
    auto revision = readTrimmed(device / "rev");
    if (!revision || revision->empty()) revision = readTrimmed(device / "firmware_rev");
    if (revision && !revision->empty()) result["Product Revision Level"] = *revision;
    auto serial = readTrimmed(device / "serial");
    if (!serial || serial->empty()) serial = readTrimmed(device / "wwid");
    if (serial && !serial->empty()) result["Serial Number"] = *serial;
    if (auto rotational = readTrimmed(diskDir / "queue" / "rotational");
        rotational && !rotational->empty())
        result["Medium Type"] = *rotational == "0" ? "Solid State" : "Rotational";
    return result;
}

}  // namespace

SysfsDiskInventory::SysfsDiskInventory(std::string sysRoot, DeviceNumberOf deviceOf)
    : sysRoot_(std::move(sysRoot)),
      deviceOf_(deviceOf ? std::move(deviceOf) : DeviceNumberOf(&blockDeviceOf)) {}

std::vector<DiskInfo> SysfsDiskInventory::allDevices() const {
    std::vector<DiskInfo> disks;
    std::error_code ec;
    fs::directory_iterator it(fs::path(sysRoot_) / "block", ec);
    if (ec) {
        ORVANE_LOG("Matching services did not succed.");
        return disks;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) {
            ORVANE_LOG("Getting properties threw error.");
            break;
        }
        const std::string name = it->path().filename().string();
        if (isVirtualName(name)) continue;
        std::error_code resolveEc;
        const fs::path diskDir = fs::canonical(it->path(), resolveEc);
        if (resolveEc) {
            ORVANE_LOG("Getting parent property threw error.");
            continue;
        }
        if (isRaidMember(diskDir)) continue;
        disks.push_back(DiskInfo::fromCharacteristics(characteristicsOf(diskDir, name)));
    }
    return disks;
}

std::string SysfsDiskInventory::getDeviceModel(const std::string& path) const {
    const std::optional<dev_t> device = deviceOf_(path);
    if (!device) return {};
    const fs::path link = fs::path(sysRoot_) / "dev" / "block" /
                          (std::to_string(major(*device)) + ":" + std::to_string(minor(*device)));
    std::error_code ec;
    fs::path node = fs::canonical(link, ec);
    if (ec) return {};  // tmpfs, overlay, network: no block device behind the number

    // Walk down from a partition, device-mapper or md node to the first whole disk under it.
    // The depth bound guards against a malformed tree that loops.
    for (int depth = 0; depth < 8; ++depth) {
        std::error_code fileEc;
        if (fs::exists(node / "partition", fileEc)) {
            node = node.parent_path();
            continue;
        }
        const std::string name = node.filename().string();
        if (!isVirtualName(name) && fs::exists(fs::path(sysRoot_) / "block" / name, fileEc))
            return characteristicsOf(node, name)["Product Name"];
        std::optional<fs::path> slave;
        for (const auto& entry : fs::directory_iterator(node / "slaves", fileEc)) {
            std::error_code slaveEc;
            fs::path resolved = fs::canonical(entry.path(), slaveEc);
            if (!slaveEc && (!slave || resolved.filename() < slave->filename())) slave = resolved;
        }
        if (!slave) return {};
        node = *slave;
    }
    return {};
}

std::optional<dev_t> SysfsDiskInventory::blockDeviceOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    if (major(st.st_dev) != 0) return st.st_dev;
    // Anonymous device numbers belong to tmpfs, overlay and network mounts, and also to btrfs,
    // whose real device is the one named as the mount's source.
    auto volume = volumeOf(path);
    if (!volume || volume->source.empty() || volume->source.front() != '/') return std::nullopt;
    struct stat source {};
    if (::stat(volume->source.c_str(), &source) != 0 || !S_ISBLK(source.st_mode))
        return std::nullopt;
    return source.st_rdev;
}

}  // namespace orvane::platform
