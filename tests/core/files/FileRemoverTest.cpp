#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "GlibHome.h"
#include "core/files/FileRemover.h"
#include "platform/linux/GioTrash.h"
#include "platform/mac/FolderTrash.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

using namespace orvane::files;
using orvane::testing::TempTree;

namespace {

ScannedIdentity identityOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    ScannedIdentity id;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.inode = static_cast<std::uint64_t>(st.st_ino);
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.isDirectory = S_ISDIR(st.st_mode);
    return id;
}

std::chrono::system_clock::time_point at(std::time_t seconds, int millis) {
    return std::chrono::system_clock::from_time_t(seconds) + std::chrono::milliseconds(millis);
}

// Stamps in destination names are local time; pin the zone so expected names are exact.
struct UtcZone {
    UtcZone() { ::tzset(); }
    struct Reread {
        ~Reread() { ::tzset(); }
    } reread;  // gone last, once `tz` has put the old zone back
    orvane::testing::ScopedEnv tz{"TZ", "UTC"};
};

}  // namespace

TEST(FileRemover, DeletesAFileThatIsStillTheScannedOne) {
    TempTree t;
    const std::string f = t.file("a/copy.txt", "same");
    FileRemover remover(nullptr);
    const RemovalResult r = remover.deleteForever(f, identityOf(f));
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(t.exists("a/copy.txt"));
}

TEST(FileRemover, LeavesAFileThatChangedSinceTheScan) {
    TempTree t;
    FileRemover remover(nullptr);

    // Replaced by another file under the same name.
    const std::string replaced = t.file("replaced.txt", "old");
    const ScannedIdentity oldId = identityOf(replaced);
    const std::string keep = t.file("keep-inode-busy.txt", "x");  // keeps the old inode from reuse
    std::filesystem::rename(replaced, t.path("moved-away.txt"));
    t.file("replaced.txt", "new");
    RemovalResult r = remover.deleteForever(replaced, oldId);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, kRemoveErrorChanged);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(t.read("replaced.txt"), "new");

    // Rewritten in place with another size.
    const std::string grown = t.file("grown.txt", "abc");
    const ScannedIdentity grownId = identityOf(grown);
    std::ofstream(grown, std::ios::app) << "more";
    EXPECT_EQ(remover.deleteForever(grown, grownId).code, kRemoveErrorChanged);
    EXPECT_EQ(remover.moveToFolder(grown, grownId, t.dir("dest")).code, kRemoveErrorChanged);
    EXPECT_TRUE(t.exists("grown.txt"));

    // Turned into a link to something else: neither the link nor its target is touched.
    const std::string victim = t.file("precious/data.bin", "precious");
    const std::string linked = t.file("linked.txt", "12345678");
    const ScannedIdentity linkedId = identityOf(linked);
    std::filesystem::remove(linked);
    t.symlink(victim, "linked.txt");
    EXPECT_EQ(remover.deleteForever(linked, linkedId).code, kRemoveErrorChanged);
    EXPECT_EQ(remover.moveToFolder(linked, linkedId, t.dir("dest")).code, kRemoveErrorChanged);
    EXPECT_TRUE(t.exists("linked.txt"));
    EXPECT_EQ(t.read("precious/data.bin"), "precious");
    (void)keep;
}

TEST(FileRemover, VanishedFileFailsWithTheMissingMessage) {
    TempTree t;
    const std::string f = t.file("gone.txt", "x");
    const ScannedIdentity id = identityOf(f);
    std::filesystem::remove(f);
    FileRemover remover(nullptr);
    for (const RemovalResult& r :
         {remover.deleteForever(f, id), remover.moveToFolder(f, id, t.dir("dest")),
          remover.moveToTrash(f, id)}) {
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.code, kRemoveErrorMissing);
        EXPECT_EQ(r.error,
                  "The folder does not exist. Please choose another one. It may be moved, "
                  "renamed or deleted.");
    }
}

TEST(FileRemover, DeletingAFolderNeverFollowsLinksInside) {
    TempTree t;
    const std::string outside = t.file("outside/keep.txt", "keep me");
    t.file("victim/sub/a.txt", "a");
    t.file("victim/b.txt", "b");
    t.symlink(t.path("outside"), "victim/link-to-outside");
    t.symlink(outside, "victim/sub/link-to-file");
    const std::string dir = t.path("victim");
    FileRemover remover(nullptr);
    const RemovalResult r = remover.deleteForever(dir, identityOf(dir));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(t.exists("victim"));
    EXPECT_EQ(t.read("outside/keep.txt"), "keep me");
}

TEST(FileRemover, MoveToFolderNeverReplacesAndStampsSecondNames) {
    UtcZone utc;
    TempTree t;
    const std::string dest = t.dir("dest");
    const std::string first = t.file("one/a.jpg", "first");
    const std::string second = t.file("two/a.jpg", "second");
    const std::string third = t.file("three/a.jpg", "third");
    const std::string plain = t.file("one/README", "r1");
    const std::string plain2 = t.file("two/README", "r2");
    // 2024-05-01 10:02:03.456 UTC
    FileRemover remover(nullptr, systemFreeSpaceReader(), [] { return at(1714557723, 456); });

    RemovalResult r = remover.moveToFolder(first, identityOf(first), dest);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.destination, dest + "/a.jpg");
    r = remover.moveToFolder(second, identityOf(second), dest);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.destination, dest + "/a 2024-05-01 10:02:03:456.jpg");
    // Same millisecond again: still a free name, nothing overwritten.
    r = remover.moveToFolder(third, identityOf(third), dest);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.destination, dest + "/a 2024-05-01 10:02:03:456 2.jpg");
    EXPECT_EQ(t.read("dest/a.jpg"), "first");
    EXPECT_EQ(t.read("dest/a 2024-05-01 10:02:03:456.jpg"), "second");
    EXPECT_FALSE(t.exists("two/a.jpg"));

    ASSERT_TRUE(remover.moveToFolder(plain, identityOf(plain), dest).ok);
    r = remover.moveToFolder(plain2, identityOf(plain2), dest);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.destination, dest + "/README 2024-05-01 10:02:03:456");
}

TEST(FileRemover, AFileAlreadyInTheChosenFolderStaysAndIsNotReportedAsMoved) {
    TempTree t;
    const std::string f = t.file("pick/a.txt", "a");
    FileRemover remover(nullptr);
    const RemovalResult r = remover.moveToFolder(f, identityOf(f), t.path("pick/"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, kRemoveErrorInPlace);
    EXPECT_NE(r.error.find("already is in that folder"), std::string::npos) << r.error;
    EXPECT_EQ(t.read("pick/a.txt"), "a");
}

TEST(FileRemover, RenamePathCountsDanglingLinksAsTaken) {
    UtcZone utc;
    TempTree t;
    const std::string dest = t.dir("d");
    t.symlink("/nonexistent/target", "d/x.tar.gz");
    EXPECT_EQ(FileRemover::renamePath(dest, "/src/x.tar.gz", at(0, 7)),
              dest + "/x.tar 1970-01-01 00:00:00:007.gz");
    EXPECT_EQ(FileRemover::renamePath(dest, "/src/free.txt", at(0, 7)), dest + "/free.txt");
}

TEST(FileRemover, MoveAcrossFileSystemsCopiesThenRemovesTheOriginal) {
    TempTree t;
    const std::string shm = "/dev/shm";
    if (::access(shm.c_str(), W_OK) != 0 || !FileRemover::needsCopy(t.root(), shm))
        GTEST_SKIP() << "no second writable file system here";
    char tmpl[] = "/dev/shm/orvane-removal-XXXXXX";
    ASSERT_TRUE(::mkdtemp(tmpl));
    const std::string dest = tmpl;
    const std::string f = t.fileOfSize("big.bin", 3 * 1024 * 1024 + 17, 'q');
    t.setMtime("big.bin", 1'600'000'000);
    ::chmod(f.c_str(), 0640);
    FileRemover remover(nullptr);
    const RemovalResult r = remover.moveToFolder(f, identityOf(f), dest);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(t.exists("big.bin"));
    struct stat st {};
    ASSERT_EQ(::stat(r.destination.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 3 * 1024 * 1024 + 17);
    EXPECT_EQ(st.st_mtim.tv_sec, 1'600'000'000);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    std::filesystem::remove_all(dest);
}

TEST(FileRemover, TrashGoesThroughTheFreedesktopTrashWithARestoreRecord) {
    TempTree t;
    orvane::platform::GioTrash trash;
    FileRemover remover(&trash);
    const std::string f = t.file("docs/dup.txt", "content");
    const RemovalResult r = remover.moveToTrash(f, identityOf(f));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(t.exists("docs/dup.txt"));
    const std::string trashDir = std::string(g_get_user_data_dir()) + "/Trash";
    EXPECT_EQ(r.destination.rfind(trashDir + "/files/", 0), 0u) << r.destination;
    const std::string name = r.destination.substr(r.destination.rfind('/') + 1);
    std::ifstream info(trashDir + "/info/" + name + ".trashinfo");
    std::string all((std::istreambuf_iterator<char>(info)), std::istreambuf_iterator<char>());
    EXPECT_NE(all.find("Path=" + f), std::string::npos) << all;
}

TEST(FileRemover, TrashAsAFolderForTheMacLayout) {
    TempTree t;
    orvane::platform::FolderTrash trash(t.dir("home/.Trash"));
    FileRemover remover(&trash);
    const std::string f = t.file("x/a.txt", "1");
    const RemovalResult r = remover.moveToTrash(f, identityOf(f));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(t.read("home/.Trash/a.txt"), "1");
    // A changed file does not reach the Trash either.
    const std::string g = t.file("x/b.txt", "1");
    const ScannedIdentity id = identityOf(g);
    std::ofstream(g, std::ios::app) << "22";
    EXPECT_EQ(remover.moveToTrash(g, id).code, kRemoveErrorChanged);
    EXPECT_TRUE(t.exists("x/b.txt"));
}
