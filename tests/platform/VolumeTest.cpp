#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/Volume.h"
#include "support/TempTree.h"

namespace orvane::platform {
namespace {

using testing::TempTree;

// Mountinfo lines write a space in a mount point as \040; the tree below holds real folders
// whose names contain one.
class VolumeOfTest : public ::testing::Test {
protected:
    VolumeOfTest() {
        tree.dir("mnt/My Disk/nested/deep");
        tree.dir("mnt/share");
        tree.dir("mnt/sharedata");
        tree.file("dev/sdz1");
        tree.file("dev/sdz2");
        tree.symlink(tree.path("dev/sdz1"), "by-label/Backup\\x20Drive");
        tree.symlink(tree.path("dev/nothing"), "by-label/Dangling");
        const std::string mnt = escaped(tree.path("mnt"));
        mountInfo =
            tree.file("mountinfo",
                      "26 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
                      "garbage line without separator\n"
                      "40 26 8:1 / " +
                          mnt + "/My\\040Disk rw,nosuid master:3 - ext4 " + tree.path("dev/sdz1") +
                          " rw\n"
                          "41 40 8:2 / " +
                          mnt + "/My\\040Disk/nested rw - btrfs " + tree.path("dev/sdz2") +
                          " rw\n"
                          "42 26 0:60 / " +
                          mnt +
                          "/share rw - nfs4 server:/export rw\n"
                          "43 26 0:61 / " +
                          mnt + "/share rw - tmpfs tmpfs rw\n");
    }

    static std::string escaped(const std::string& path) {
        std::string out;
        for (char c : path) out += c == ' ' ? std::string("\\040") : std::string(1, c);
        return out;
    }

    std::optional<VolumeInfo> of(const std::string& rel) {
        return volumeOf(tree.path(rel), mountInfo, tree.path("by-label"));
    }

    TempTree tree;
    std::string mountInfo;
};

TEST_F(VolumeOfTest, ParsesEscapesAndOptionalFields) {
    const auto mounts = readMountInfo(mountInfo);
    ASSERT_EQ(mounts.size(), 5u) << "the malformed line is passed over";
    EXPECT_EQ(mounts[1].mountPoint, tree.path("mnt/My Disk"));
    EXPECT_EQ(mounts[1].major, 8u);
    EXPECT_EQ(mounts[1].minor, 1u);
    EXPECT_EQ(mounts[1].fileSystem, "ext4");
    EXPECT_EQ(mounts[3].source, "server:/export");
}

TEST_F(VolumeOfTest, PicksTheLongestMountPointOnComponentBoundaries) {
    auto deep = of("mnt/My Disk/nested/deep");
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->mountPoint, tree.path("mnt/My Disk/nested"));
    EXPECT_EQ(deep->fileSystem, "btrfs");
    EXPECT_EQ(deep->name, "nested") << "no label: the mount point's last component";

    auto disk = of("mnt/My Disk");
    ASSERT_TRUE(disk);
    EXPECT_EQ(disk->mountPoint, tree.path("mnt/My Disk"));
    EXPECT_EQ(disk->name, "Backup Drive") << "label of the mounted device, unescaped";

    // "share" must not claim "sharedata".
    auto sibling = of("mnt/sharedata");
    ASSERT_TRUE(sibling);
    EXPECT_EQ(sibling->mountPoint, "/");
    EXPECT_EQ(sibling->name, "/");
}

TEST_F(VolumeOfTest, LaterMountOverTheSamePointWinsAndNetworkIsNotLocal) {
    auto share = of("mnt/share");
    ASSERT_TRUE(share);
    EXPECT_EQ(share->fileSystem, "tmpfs");
    EXPECT_TRUE(share->isLocal);

    // Without the tmpfs on top the nfs mount is visible and is not local.
    std::string nfsOnly = tree.file("mountinfo-nfs",
                                    "26 1 254:0 / / rw - ext4 /dev/vda rw\n"
                                    "42 26 0:60 / " +
                                        tree.path("mnt/share") + " rw - nfs4 server:/export rw\n");
    auto nfs = volumeOf(tree.path("mnt/share"), nfsOnly, tree.path("by-label"));
    ASSERT_TRUE(nfs);
    EXPECT_FALSE(nfs->isLocal);
    EXPECT_EQ(nfs->source, "server:/export");
    EXPECT_TRUE(isNetworkFileSystem("cifs"));
    EXPECT_TRUE(isNetworkFileSystem("fuse.sshfs"));
    EXPECT_FALSE(isNetworkFileSystem("ext4"));
}

TEST_F(VolumeOfTest, ResolvesSymlinksBeforeMatching) {
    tree.symlink(tree.path("mnt/My Disk/nested"), "shortcut");
    auto viaLink = of("shortcut");
    ASSERT_TRUE(viaLink);
    EXPECT_EQ(viaLink->mountPoint, tree.path("mnt/My Disk/nested"));
}

TEST_F(VolumeOfTest, ReportsDeviceAndSpaceOfThePath) {
    auto info = of("mnt/My Disk/nested/deep");
    ASSERT_TRUE(info);
    struct stat st {};
    ASSERT_EQ(::stat(tree.path("mnt").c_str(), &st), 0);
    EXPECT_EQ(info->device, st.st_dev);
    EXPECT_GT(info->totalBytes, 0u);
    EXPECT_LE(info->freeBytes, info->totalBytes);
    auto free = freeSpace(tree.root());
    ASSERT_TRUE(free);
    EXPECT_LE(*free, info->totalBytes);
}

TEST_F(VolumeOfTest, MissingPathOrUnreadableTableGivesNothing) {
    EXPECT_FALSE(of("no/such/place"));
    EXPECT_FALSE(volumeOf(tree.root(), tree.path("no-mountinfo")));
    EXPECT_FALSE(freeSpace(tree.path("no/such/place")));
}

TEST(VolumeOfRealTest, RootOfThisMachine) {
    auto root = volumeOf("/");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->mountPoint, "/");
    EXPECT_FALSE(root->fileSystem.empty());
    EXPECT_FALSE(root->name.empty());
}

}  // namespace
}  // namespace orvane::platform
