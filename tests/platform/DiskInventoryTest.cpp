#include <sys/sysmacros.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>

#include "platform/DiskInfo.h"
#include "platform/Volume.h"
#include "platform/linux/SysfsDiskInventory.h"
#include "support/TempTree.h"

namespace orvane::platform {
namespace {

using testing::TempTree;

// A sysfs tree shaped like the kernel's: real nodes under devices/, with block/<disk> and
// dev/block/MAJ:MIN as relative links into it.
class FakeSysfs {
public:
    explicit FakeSysfs(TempTree& tree) : tree_(tree) {
        tree_.dir("sys/block");
        tree_.dir("sys/dev/block");
    }

    std::string root() const { return tree_.path("sys"); }

    void disk(const std::string& name, unsigned maj, unsigned min, std::optional<std::string> model,
              std::optional<std::string> rotational, const std::string& vendor = "",
              const std::string& serial = "") {
        const std::string node = "sys/devices/pci0000:00/host0/block/" + name;
        tree_.dir(node + "/holders");
        if (model) tree_.file(node + "/device/model", *model + "   \n");
        if (!vendor.empty()) tree_.file(node + "/device/vendor", vendor + "\n");
        if (!serial.empty()) tree_.file(node + "/device/serial", serial + "\n");
        if (rotational) tree_.file(node + "/queue/rotational", *rotational + "\n");
        tree_.symlink("../devices/pci0000:00/host0/block/" + name, "sys/block/" + name);
        devLink(maj, min, "devices/pci0000:00/host0/block/" + name);
    }

    void partition(const std::string& diskName, const std::string& name, unsigned maj,
                   unsigned min) {
        const std::string node = "sys/devices/pci0000:00/host0/block/" + diskName + "/" + name;
        tree_.file(node + "/partition", "1\n");
        tree_.dir(node + "/holders");
        devLink(maj, min, "devices/pci0000:00/host0/block/" + diskName + "/" + name);
    }

    // A virtual block device (md or dm) built on the given member nodes (paths under sys/).
    void virtualDevice(const std::string& name, unsigned maj, unsigned min,
                       const std::vector<std::string>& members) {
        const std::string node = "sys/devices/virtual/block/" + name;
        tree_.file(node + "/queue/rotational", "0\n");
        for (const std::string& member : members) {
            const std::string memberName = member.substr(member.rfind('/') + 1);
            tree_.symlink(tree_.path("sys/" + member), node + "/slaves/" + memberName);
            tree_.symlink(tree_.path(node), "sys/" + member + "/holders/" + name);
        }
        tree_.symlink("../devices/virtual/block/" + name, "sys/block/" + name);
        devLink(maj, min, "devices/virtual/block/" + name);
    }

private:
    void devLink(unsigned maj, unsigned min, const std::string& target) {
        tree_.symlink("../../" + target,
                      "sys/dev/block/" + std::to_string(maj) + ":" + std::to_string(min));
    }
    TempTree& tree_;
};

const DiskInfo* findDisk(const std::vector<DiskInfo>& disks, const std::string& product) {
    auto it = std::find_if(disks.begin(), disks.end(),
                           [&](const DiskInfo& d) { return d.productName == product; });
    return it == disks.end() ? nullptr : &*it;
}

TEST(DiskInfoTest, SolidStateOnlyWhenMediumTypeSaysSo) {
    EXPECT_TRUE(DiskInfo::fromCharacteristics({{"Medium Type", "Solid State"}}).SSD);
    EXPECT_FALSE(DiskInfo::fromCharacteristics({{"Medium Type", "Rotational"}}).SSD);
    EXPECT_FALSE(DiskInfo::fromCharacteristics({{"Medium Type", "solid state"}}).SSD);
    EXPECT_FALSE(DiskInfo::fromCharacteristics({{"Product Name", "X"}}).SSD);

    DiskInfo info = DiskInfo::fromCharacteristics({{"Product Name", "Fast 1"},
                                                   {"Vendor Name", "ACME"},
                                                   {"Serial Number", "S1"},
                                                   {"Product Revision Level", "2B"}});
    EXPECT_EQ(info.productName, "Fast 1");
    EXPECT_EQ(info.vendorName, "ACME");
    EXPECT_EQ(info.serialNumber, "S1");
    EXPECT_EQ(info.productRevisonLevel, "2B");
    EXPECT_EQ(info.diskInfos.size(), 4u);
}

class SysfsDiskInventoryTest : public ::testing::Test {
protected:
    SysfsDiskInventoryTest() : sys(tree) {
        sys.disk("sda", 8, 0, "Samsung SSD 870", "0", "ATA", "S5Y1NX0");
        sys.partition("sda", "sda1", 8, 1);
        sys.partition("sda", "sda2", 8, 2);
        sys.disk("sdb", 8, 16, "WDC WD40EFRX", "1", "ATA");
        sys.partition("sdb", "sdb1", 8, 17);
        sys.disk("sdc", 8, 32, "Mystery Disk", std::nullopt);
        sys.disk("nvme0n1", 259, 0, "KINGSTON SNV2S", "0");
        sys.disk("loop0", 7, 0, std::nullopt, "0");
        sys.disk("zram0", 253, 0, std::nullopt, "0");
        // Two disks mirrored by md0 through their partitions.
        sys.disk("sdd", 8, 48, "RAID Member A", "1");
        sys.partition("sdd", "sdd1", 8, 49);
        sys.disk("sde", 8, 64, "RAID Member B", "1");
        sys.virtualDevice(
            "md0", 9, 0,
            {"devices/pci0000:00/host0/block/sdd/sdd1", "devices/pci0000:00/host0/block/sde"});
        // An encrypted volume on the SSD's second partition.
        sys.virtualDevice("dm-0", 254, 0, {"devices/pci0000:00/host0/block/sda/sda2"});
    }

    SysfsDiskInventory inventoryMapping(std::map<std::string, dev_t> devices) {
        return SysfsDiskInventory(sys.root(),
                                  [devices](const std::string& path) -> std::optional<dev_t> {
                                      auto it = devices.find(path);
                                      if (it == devices.end()) return std::nullopt;
                                      return it->second;
                                  });
    }

    TempTree tree;
    FakeSysfs sys;
};

TEST_F(SysfsDiskInventoryTest, ListsWholePhysicalDisksWithTheirCharacteristics) {
    SysfsDiskInventory inventory(sys.root());
    const std::vector<DiskInfo> disks = inventory.allDevices();
    ASSERT_EQ(disks.size(), 4u);

    const DiskInfo* ssd = findDisk(disks, "Samsung SSD 870");
    ASSERT_NE(ssd, nullptr);
    EXPECT_TRUE(ssd->SSD);
    EXPECT_EQ(ssd->mediumType, "Solid State");
    EXPECT_EQ(ssd->vendorName, "ATA");
    EXPECT_EQ(ssd->serialNumber, "S5Y1NX0");

    const DiskInfo* hdd = findDisk(disks, "WDC WD40EFRX");
    ASSERT_NE(hdd, nullptr);
    EXPECT_FALSE(hdd->SSD);
    EXPECT_EQ(hdd->mediumType, "Rotational");

    const DiskInfo* unknown = findDisk(disks, "Mystery Disk");
    ASSERT_NE(unknown, nullptr);
    EXPECT_FALSE(unknown->SSD) << "no medium type means not known to be solid state";
    EXPECT_EQ(unknown->diskInfos.count("Medium Type"), 0u);

    ASSERT_NE(findDisk(disks, "KINGSTON SNV2S"), nullptr);
    EXPECT_TRUE(findDisk(disks, "KINGSTON SNV2S")->SSD);
}

TEST_F(SysfsDiskInventoryTest, SkipsVirtualDevicesAndRaidMembers) {
    const std::vector<DiskInfo> disks = SysfsDiskInventory(sys.root()).allDevices();
    EXPECT_EQ(findDisk(disks, "RAID Member A"), nullptr) << "member through a partition";
    EXPECT_EQ(findDisk(disks, "RAID Member B"), nullptr) << "member as a whole disk";
    for (const DiskInfo& disk : disks) {
        EXPECT_NE(disk.productName, "loop0");
        EXPECT_NE(disk.productName, "zram0");
        EXPECT_NE(disk.productName, "md0");
        EXPECT_NE(disk.productName, "dm-0");
    }
}

TEST_F(SysfsDiskInventoryTest, DiskWithoutModelIsNamedByKernelNameOnBothSides) {
    sys.disk("vda", 254, 16, std::nullopt, "1");
    sys.disk("mmcblk0", 179, 0, std::nullopt, "0");
    sys.partition("mmcblk0", "mmcblk0p1", 179, 1);
    tree.file("sys/devices/pci0000:00/host0/block/mmcblk0/device/name", "SD64G\n");
    auto inventory =
        inventoryMapping({{"/on/vda", makedev(254, 16)}, {"/media/card", makedev(179, 1)}});
    EXPECT_NE(findDisk(inventory.allDevices(), "vda"), nullptr);
    EXPECT_EQ(inventory.getDeviceModel("/on/vda"), "vda");
    ASSERT_NE(findDisk(inventory.allDevices(), "SD64G"), nullptr)
        << "cards name themselves in name";
    EXPECT_EQ(inventory.getDeviceModel("/media/card"), "SD64G");
}

TEST_F(SysfsDiskInventoryTest, ModelOfThePathFollowsPartitionsAndMappedDevices) {
    auto inventory = inventoryMapping({
        {"/whole", makedev(8, 0)},
        {"/home/user/file", makedev(8, 1)},
        {"/data/hdd", makedev(8, 17)},
        {"/crypt", makedev(254, 0)},
        {"/raid", makedev(9, 0)},
        {"/tmp/x", makedev(0, 50)},
    });
    EXPECT_EQ(inventory.getDeviceModel("/whole"), "Samsung SSD 870");
    EXPECT_EQ(inventory.getDeviceModel("/home/user/file"), "Samsung SSD 870");
    EXPECT_EQ(inventory.getDeviceModel("/data/hdd"), "WDC WD40EFRX");
    EXPECT_EQ(inventory.getDeviceModel("/crypt"), "Samsung SSD 870") << "dm → partition → disk";
    EXPECT_EQ(inventory.getDeviceModel("/raid"), "RAID Member A") << "first member of the array";
    EXPECT_EQ(inventory.getDeviceModel("/tmp/x"), "") << "anonymous device (tmpfs)";
    EXPECT_EQ(inventory.getDeviceModel("/not/mapped"), "");
}

TEST_F(SysfsDiskInventoryTest, MissingOrBrokenSysfsYieldsNothing) {
    SysfsDiskInventory missing(tree.path("no-such-sys"));
    EXPECT_TRUE(missing.allDevices().empty());
    EXPECT_EQ(missing.getDeviceModel(tree.root()), "");

    // A device node whose slave link dangles must not loop or crash.
    tree.symlink(tree.path("sys/devices/gone"), "sys/devices/virtual/block/dm-9/slaves/gone");
    tree.symlink("../../devices/virtual/block/dm-9", "sys/dev/block/254:9");
    auto inventory = inventoryMapping({{"/x", makedev(254, 9)}});
    EXPECT_EQ(inventory.getDeviceModel("/x"), "");
}

TEST(DiskInventoryHomeTest, HandsOutTheHomeFolderOfTheEnvironment) {
    TempTree tree;
    orvane::testing::ScopedHome home(tree);
    EXPECT_EQ(DiskInventory::customHomeDirectory(), home.home());
}

TEST(SysfsDiskInventoryRealTest, TmpfsPathHasNoModelOnThisMachine) {
    // /dev/shm is tmpfs wherever it exists; its device number has no block device behind it.
    SysfsDiskInventory inventory;
    auto shm = volumeOf("/dev/shm");
    if (shm && shm->fileSystem == "tmpfs") {
        EXPECT_FALSE(SysfsDiskInventory::blockDeviceOf("/dev/shm"));
        EXPECT_EQ(inventory.getDeviceModel("/dev/shm"), "");
    }
    EXPECT_EQ(inventory.getDeviceModel("/proc/self"), "");
    // The root file system of a real machine sits on some disk the inventory lists, unless the
    // machine runs from a network or overlay root.
    const std::string rootModel = inventory.getDeviceModel("/");
    if (!rootModel.empty()) {
        EXPECT_NE(findDisk(inventory.allDevices(), rootModel), nullptr) << rootModel;
    }
}

}  // namespace
}  // namespace orvane::platform
