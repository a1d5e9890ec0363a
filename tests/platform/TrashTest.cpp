#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "GlibHome.h"
#include "platform/Layout.h"
#include "platform/Trash.h"
#include "platform/linux/GioTrash.h"
#include "platform/mac/FolderTrash.h"
#include "support/TempTree.h"

namespace orvane::platform {
namespace {

using orvane::testing::TempTree;
namespace fs = std::filesystem;

bool present(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

const auto slurp = orvane::testing::readFile;

class GioTrashTest : public ::testing::Test {
protected:
    // Where GIO itself puts things; inside the binary's private home (see GlibHome.h).
    std::string trashDir = std::string(g_get_user_data_dir()) + "/Trash";
    TempTree tree;
    GioTrash trash;
};

TEST_F(GioTrashTest, UsesThePrivateHomeOfThisTestBinary) {
    EXPECT_EQ(std::string(g_get_user_data_dir()).rfind(testing::glibRoot(), 0), 0u)
        << "GLib saw the environment before the private home was set up";
}

TEST_F(GioTrashTest, FileMovesToTrashWithRestoreRecord) {
    const std::string file = tree.file("work/report.txt", "quarterly");
    TrashResult result = trash.trashItem(file);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_FALSE(present(file));
    EXPECT_EQ(result.trashedPath, trashDir + "/files/report.txt");
    EXPECT_EQ(slurp(result.trashedPath), "quarterly");
    const std::string info = slurp(trashDir + "/info/report.txt.trashinfo");
    EXPECT_NE(info.find("[Trash Info]"), std::string::npos);
    EXPECT_NE(info.find("Path=" + file), std::string::npos) << info;
    EXPECT_NE(info.find("DeletionDate="), std::string::npos);
}

TEST_F(GioTrashTest, SecondItemOfTheSameNameGetsItsOwnPlace) {
    const std::string first = tree.file("a/notes.md", "first");
    const std::string second = tree.file("b/notes.md", "second");
    TrashResult one = trash.trashItem(first);
    TrashResult two = trash.trashItem(second);
    ASSERT_TRUE(one.ok && two.ok) << one.error << two.error;
    EXPECT_NE(one.trashedPath, two.trashedPath);
    EXPECT_EQ(slurp(one.trashedPath), "first");
    EXPECT_EQ(slurp(two.trashedPath), "second");
    EXPECT_TRUE(present(trashDir + "/info/" + fs::path(two.trashedPath).filename().string() +
                        ".trashinfo"));
}

TEST_F(GioTrashTest, FoldersSymlinksAndNonUtf8NamesKeepTheirShape) {
    tree.file("proj/src/main.c", "int main;");
    const std::string target = tree.file("keep/target.bin", "payload");
    const std::string link = tree.symlink(target, "proj-link");
    const std::string odd = tree.file(std::string("odd-\xff\xfe-name.txt"), "bytes");

    TrashResult folder = trash.trashItem(tree.path("proj"));
    ASSERT_TRUE(folder.ok) << folder.error;
    EXPECT_EQ(slurp(folder.trashedPath + "/src/main.c"), "int main;");

    TrashResult viaLink = trash.trashItem(link);
    ASSERT_TRUE(viaLink.ok) << viaLink.error;
    EXPECT_FALSE(present(link));
    EXPECT_EQ(slurp(target), "payload") << "the link's target stays where it was";
    EXPECT_TRUE(fs::is_symlink(viaLink.trashedPath));

    TrashResult raw = trash.trashItem(odd);
    ASSERT_TRUE(raw.ok) << raw.error;
    EXPECT_EQ(fs::path(raw.trashedPath).filename().string(), "odd-\xff\xfe-name.txt");
}

TEST_F(GioTrashTest, MissingItemIsAClearFailure) {
    TrashResult result = trash.trashItem(tree.path("gone.txt"));
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("gone.txt"), std::string::npos) << result.error;
    EXPECT_TRUE(result.trashedPath.empty());
}

TEST(TrashFolderAccessTest, ReadableMissingAndLockedFolders) {
    TempTree tree;
    EXPECT_TRUE(canReadTrashFolder(tree.dir("home/.Trash")));
    EXPECT_TRUE(canReadTrashFolder(tree.path("home/.local/share/Trash"))) << "made on first use";
    EXPECT_TRUE(canReadTrash(Layout::macLayout(tree.root(), tree.path("home"))));
    tree.file("home/not-a-folder");
    EXPECT_FALSE(canReadTrashFolder(tree.path("home/not-a-folder")));
    if (::geteuid() != 0) {  // root reads anything
        tree.chmod("home/.Trash", 0);
        EXPECT_FALSE(canReadTrashFolder(tree.path("home/.Trash")));
        EXPECT_FALSE(canReadTrash(Layout::macLayout(tree.root(), tree.path("home"))));
    }
}

TEST(MakeTrashTest, LayoutChoosesTheMechanism) {
    TempTree tree;
    Layout mac = Layout::macLayout(tree.root(), tree.path("Users/ann"));
    auto folderTrash = makeTrash(mac);
    auto* asFolder = dynamic_cast<FolderTrash*>(folderTrash.get());
    ASSERT_NE(asFolder, nullptr);
    EXPECT_EQ(asFolder->folder(), tree.path("Users/ann/.Trash"));
    EXPECT_NE(dynamic_cast<GioTrash*>(makeTrash(Layout::linuxLayout()).get()), nullptr);
}

class FolderTrashTest : public ::testing::Test {
protected:
    TempTree tree;
    FolderTrash trash{tree.path("Users/ann/.Trash")};
};

TEST_F(FolderTrashTest, CollisionsAreNumberedBeforeTheExtension) {
    std::vector<std::string> placed;
    for (const char* dir : {"a", "b", "c"}) {
        TrashResult r = trash.trashItem(tree.file(std::string(dir) + "/photo.jpg", dir));
        ASSERT_TRUE(r.ok) << r.error;
        placed.push_back(r.trashedPath);
    }
    const std::string t = trash.folder();
    EXPECT_EQ(placed,
              (std::vector<std::string>{t + "/photo.jpg", t + "/photo 2.jpg", t + "/photo 3.jpg"}));
    EXPECT_EQ(tree.read("Users/ann/.Trash/photo 3.jpg"), "c");

    ASSERT_TRUE(trash.trashItem(tree.file("x/Makefile", "1")).ok);
    TrashResult plain = trash.trashItem(tree.file("y/Makefile", "2"));
    EXPECT_EQ(plain.trashedPath, t + "/Makefile 2");

    ASSERT_TRUE(trash.trashItem(tree.file("x/archive.tar.gz")).ok);
    EXPECT_EQ(trash.trashItem(tree.file("y/archive.tar.gz")).trashedPath, t + "/archive.tar 2.gz");
}

TEST_F(FolderTrashTest, FoldersAndLinksMoveWhole) {
    tree.file("docs/sub/a.txt", "A");
    const std::string target = tree.file("target.txt", "T");
    tree.symlink(target, "link.txt");
    TrashResult folder = trash.trashItem(tree.path("docs"));
    ASSERT_TRUE(folder.ok) << folder.error;
    EXPECT_EQ(tree.read("Users/ann/.Trash/docs/sub/a.txt"), "A");
    EXPECT_FALSE(tree.exists("docs"));

    TrashResult link = trash.trashItem(tree.path("link.txt"));
    ASSERT_TRUE(link.ok) << link.error;
    EXPECT_TRUE(fs::is_symlink(link.trashedPath));
    EXPECT_EQ(tree.read("target.txt"), "T");
}

TEST_F(FolderTrashTest, RefusesWhatCannotBeTrashed) {
    TrashResult missing = trash.trashItem(tree.path("nothing.here"));
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("nothing.here"), std::string::npos);

    ASSERT_TRUE(trash.trashItem(tree.file("old.log")).ok);
    TrashResult inside = trash.trashItem(tree.path("Users/ann/.Trash/old.log"));
    EXPECT_FALSE(inside.ok);
    EXPECT_TRUE(tree.exists("Users/ann/.Trash/old.log"));

    TrashResult home = trash.trashItem(tree.path("Users/ann"));
    EXPECT_FALSE(home.ok) << "a folder holding the Trash cannot go into it";
    EXPECT_TRUE(tree.exists("Users/ann/.Trash/old.log"));
}

TEST_F(FolderTrashTest, ItemOnAnotherVolumeIsCopiedThenRemoved) {
    // /dev/shm is a tmpfs, so a rename from there into the temp tree crosses devices.
    struct stat shm {
    }, tmp{};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(tree.root().c_str(), &tmp) != 0 ||
        shm.st_dev == tmp.st_dev || ::access("/dev/shm", W_OK) != 0) {
        GTEST_SKIP() << "no second writable volume";
    }
    std::string other = "/dev/shm/orvane-trash-XXXXXX";
    ASSERT_NE(::mkdtemp(other.data()), nullptr);
    fs::create_directories(other + "/album/sub");
    std::ofstream(other + "/album/sub/pic.raw") << "pixels";
    fs::create_symlink("sub/pic.raw", other + "/album/current");

    TrashResult result = trash.trashItem(other + "/album");
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_FALSE(present(other + "/album"));
    EXPECT_EQ(tree.read("Users/ann/.Trash/album/sub/pic.raw"), "pixels");
    EXPECT_TRUE(fs::is_symlink(tree.path("Users/ann/.Trash/album/current")));
    std::error_code ec;
    fs::remove_all(other, ec);
}

}  // namespace
}  // namespace orvane::platform

namespace orvane::platform {
namespace {

TEST(GioTrashOtherVolumeTest, ItemOnAVolumeWithoutHomeTrashIsTrashedThereOrLeftAlone) {
    struct stat shm {
    }, home{};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(g_get_home_dir(), &home) != 0 ||
        shm.st_dev == home.st_dev || ::access("/dev/shm", W_OK) != 0) {
        GTEST_SKIP() << "no second writable volume";
    }
    std::string other = "/dev/shm/orvane-gio-XXXXXX";
    ASSERT_NE(::mkdtemp(other.data()), nullptr);
    const std::string file = other + "/scratch.bin";
    std::ofstream(file) << "scratch";

    GioTrash trash;
    TrashResult result = trash.trashItem(file);
    if (result.ok) {
        EXPECT_FALSE(present(file));
        EXPECT_EQ(result.trashedPath.rfind("/dev/shm/.Trash", 0), 0u) << result.trashedPath;
        EXPECT_EQ(slurp(result.trashedPath), "scratch");
    } else {
        // System mounts have no Trash of their own: the caller is told so and the file stays.
        EXPECT_TRUE(result.unsupported) << result.error;
        EXPECT_FALSE(result.error.empty());
        EXPECT_EQ(slurp(file), "scratch");
    }
    std::error_code ec;
    fs::remove_all(other, ec);
    if (result.ok) fs::remove(result.trashedPath, ec);
}

}  // namespace
}  // namespace orvane::platform

namespace orvane::platform {
namespace {

TEST(TrashContentsTest, FoldersOfTheHomeTrashAndOfOtherVolumes) {
    TempTree tree;
    orvane::testing::ScopedHome home(tree);
    const std::string uid = std::to_string(::getuid());
    tree.dir("home/.local/share/Trash/files");
    tree.dir("usb/.Trash-" + uid + "/files");
    tree.dir("disk2/.Trash/" + uid + "/files");
    tree.dir("other-user/.Trash-99999/files");
    tree.dir("nfs/.Trash-" + uid + "/files");
    const std::string mountInfo = tree.file("mountinfo",
                                            "26 1 254:0 / / rw - ext4 /dev/vda rw\n"
                                            "40 26 8:1 / " +
                                                tree.path("usb") +
                                                " rw - vfat /dev/sdb1 rw\n"
                                                "41 26 8:2 / " +
                                                tree.path("disk2") +
                                                " rw - ext4 /dev/sdc1 rw\n"
                                                "42 26 8:3 / " +
                                                tree.path("other-user") +
                                                " rw - ext4 /dev/sdd1 rw\n"
                                                "43 26 0:70 / " +
                                                tree.path("nfs") + " rw - nfs4 server:/x rw\n");

    const Layout layout = Layout::linuxLayout();
    EXPECT_EQ(trashContentFolders(layout, mountInfo),
              (std::vector<std::string>{home.home() + "/.local/share/Trash/files",
                                        tree.path("usb/.Trash-" + uid + "/files"),
                                        tree.path("disk2/.Trash/" + uid + "/files")}));

    const Layout mac = Layout::macLayout(tree.root(), tree.path("Users/ann"));
    EXPECT_TRUE(trashContentFolders(mac, mountInfo).empty()) << "no Trash folder yet";
    tree.dir("Users/ann/.Trash");
    EXPECT_EQ(trashContentFolders(mac, mountInfo),
              std::vector<std::string>{tree.path("Users/ann/.Trash")});
}

TEST(TrashContentsTest, AGoneItemLeavesNoRecordOrCachedSizeAndAPresentOneKeepsThem) {
    TempTree tree;
    tree.file("Trash/info/big folder.trashinfo", "[Trash Info]\nPath=/x/big%20folder\n");
    tree.file("Trash/files/keep.txt", "k");
    tree.file("Trash/info/keep.txt.trashinfo", "[Trash Info]\nPath=/x/keep.txt\n");
    tree.file("Trash/directorysizes", "4 1700000000 big%20folder\n9 1700000001 other\nmalformed\n");
    const std::string outside = tree.file("elsewhere/target.txt", "precious");
    tree.symlink(outside, "Trash/files/link");

    ASSERT_TRUE(forgetTrashRecord(tree.path("Trash/files"), "big folder").ok());
    EXPECT_FALSE(tree.exists("Trash/info/big folder.trashinfo"));
    EXPECT_EQ(tree.read("Trash/directorysizes"), "9 1700000001 other\nmalformed\n");

    // Still there, a file or a link: nothing is forgotten and nothing is removed.
    EXPECT_FALSE(forgetTrashRecord(tree.path("Trash/files"), "keep.txt").ok());
    EXPECT_TRUE(tree.exists("Trash/info/keep.txt.trashinfo"));
    EXPECT_FALSE(forgetTrashRecord(tree.path("Trash/files"), "link").ok());
    EXPECT_EQ(tree.read("elsewhere/target.txt"), "precious");

    for (const char* bad : {"", ".", "..", "../elsewhere"})
        EXPECT_FALSE(forgetTrashRecord(tree.path("Trash/files"), bad).ok()) << bad;
    EXPECT_EQ(tree.read("elsewhere/target.txt"), "precious");
}

}  // namespace
}  // namespace orvane::platform
