// The check every removal passes right before acting, on real files changed the ways a user, a
// sync tool or an attacker changes them between a scan and a removal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/files/FileIdentity.h"
#include "core/files/RemovalGuard.h"
#include "support/TempTree.h"

using namespace orvane::files;
using orvane::testing::TempTree;

namespace {

FileIdentity scanned(const std::string& path) {
    FileIdentity id;
    EXPECT_TRUE(FileIdentity::read(path.c_str(), id)) << path;
    return id;
}

void overwriteInPlace(const std::string& path, const std::string& content) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.write(content.data(), static_cast<std::streamsize>(content.size()));
}

GuardRefusal refusalOf(const std::string& path, const FileIdentity& id) {
    return RemovalGuard::verify(path, id).refusal;
}

}  // namespace

TEST(RemovalGuard, AFileStillAsScannedIsHandedOverOpen) {
    TempTree t;
    const auto path = t.file("a/photo.jpg", "pixels");
    const GuardResult r = RemovalGuard::verify(path, scanned(path));
    ASSERT_TRUE(r) << r.reason;
    EXPECT_EQ(r.item->name, "photo.jpg");
    EXPECT_EQ(r.item->st.st_size, 6);
}

TEST(RemovalGuard, AnEditAfterTheScanIsSeenEvenAtTheSameSizeAndInode) {
    TempTree t;
    const auto path = t.file("report.txt", "version one");
    const FileIdentity before = scanned(path);
    overwriteInPlace(path, "version two");
    EXPECT_EQ(scanned(path).inode, before.inode);
    EXPECT_EQ(scanned(path).size, before.size);
    const GuardResult r = RemovalGuard::verify(path, before);
    EXPECT_EQ(r.refusal, GuardRefusal::changed);
    EXPECT_NE(r.reason.find("report.txt"), std::string::npos) << r.reason;

    // Only the times touched (a restored backup, `touch`): still not what was scanned.
    const auto other = t.file("b.txt", "same");
    const FileIdentity b = scanned(other);
    ::utimensat(AT_FDCWD, other.c_str(), nullptr, 0);
    EXPECT_EQ(refusalOf(other, b), GuardRefusal::changed);

    // Replaced by another file of the same size under the same name.
    const auto c = t.file("c.txt", "aaaa");
    const FileIdentity cId = scanned(c);
    t.file("c.new", "aaaa");
    std::filesystem::rename(t.path("c.new"), c);
    EXPECT_EQ(refusalOf(c, cId), GuardRefusal::changed);

    EXPECT_EQ(refusalOf(t.path("gone.txt"), cId), GuardRefusal::missing);
}

TEST(RemovalGuard, NoLinkIsFollowedAnywhereOnThePath) {
    TempTree t;
    const auto path = t.file("home/docs/keep.txt", "mine");
    const FileIdentity id = scanned(path);
    // The folder above is swapped for a link to a look-alike tree holding the same inode's
    // twin: the walk must stop at the link, whatever it points to.
    std::filesystem::rename(t.path("home/docs"), t.path("home/real-docs"));
    t.symlink(t.path("home/real-docs"), "home/docs");
    EXPECT_EQ(refusalOf(path, id), GuardRefusal::linkOnPath);

    // The item itself swapped for a link to the scanned file.
    const auto target = t.file("x/data.bin", "bytes");
    const FileIdentity targetId = scanned(target);
    std::filesystem::rename(target, t.path("x/data.real"));
    t.symlink(t.path("x/data.real"), "x/data.bin");
    EXPECT_EQ(refusalOf(target, targetId), GuardRefusal::linkOnPath);
}

TEST(RemovalGuard, OnlyRegularFilesAreOfferedSpecialFilesAreRefusedWithAReason) {
    TempTree t;
    const auto fifo = t.path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const GuardResult r = RemovalGuard::verify(fifo, scanned(fifo));
    EXPECT_EQ(r.refusal, GuardRefusal::notRegular);
    EXPECT_NE(r.reason.find("not a regular file"), std::string::npos) << r.reason;

    const auto socketPath = t.path("sock");
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof addr.sun_path);
    std::strcpy(addr.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(s);
    EXPECT_EQ(refusalOf(socketPath, scanned(socketPath)), GuardRefusal::notRegular);

    t.dir("folder");
    EXPECT_EQ(refusalOf(t.path("folder"), scanned(t.path("folder"))), GuardRefusal::notRegular);
    EXPECT_TRUE(RemovalGuard::verify(t.path("folder"), scanned(t.path("folder")), true));

    if (::geteuid() != 0) GTEST_SKIP() << "device nodes need root";
    const auto dev = t.path("null");
    ASSERT_EQ(::mknod(dev.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
    EXPECT_EQ(refusalOf(dev, scanned(dev)), GuardRefusal::notRegular);
    EXPECT_TRUE(t.exists("null"));
}

TEST(RemovalGuard, DotDotIsResolvedFromTheFolderReachedAsTheKernelDoes) {
    TempTree t;
    t.file("real/parent/file.txt", "x");
    t.dir("real/parent/child");
    t.file("elsewhere/file.txt", "decoy");
    t.symlink(t.path("real/parent/child"), "elsewhere/link");
    // Text-wise "elsewhere/link/../file.txt" is elsewhere/file.txt; the kernel, and the walk, end
    // at real/parent/file.txt. The link itself is refused before any ".." is taken.
    const GuardResult r = RemovalGuard::open(t.path("elsewhere/link/../file.txt"));
    EXPECT_EQ(r.refusal, GuardRefusal::linkOnPath);
    const GuardResult plain = RemovalGuard::open(t.path("real/parent/child/../file.txt"));
    ASSERT_TRUE(plain) << plain.reason;
    EXPECT_EQ(FileIdentity::of(plain.item->st), scanned(t.path("real/parent/file.txt")));
}

TEST(KeptCopy, ADuplicateGoesOnlyWhileADifferentFileWithTheSameBytesStays) {
    TempTree t;
    const auto doomed = t.file("copy.txt", "same bytes");
    const auto kept = t.file("original.txt", "same bytes");
    const FileIdentity keptId = scanned(kept);
    const GuardResult d = RemovalGuard::verify(doomed, scanned(doomed));
    ASSERT_TRUE(d);
    EXPECT_TRUE(RemovalGuard::confirmKeptCopy(doomed, *d.item, kept, keptId));

    // The kept copy edited in place after the scan: the copy is now the only original.
    overwriteInPlace(kept, "SAME BYTES");
    const GuardResult edited = RemovalGuard::confirmKeptCopy(doomed, *d.item, kept, keptId);
    EXPECT_EQ(edited.refusal, GuardRefusal::keptMissing);
    EXPECT_NE(edited.reason.find("copy.txt"), std::string::npos) << edited.reason;

    // Gone altogether.
    const FileIdentity nowId = scanned(kept);
    std::filesystem::remove(kept);
    EXPECT_EQ(RemovalGuard::confirmKeptCopy(doomed, *d.item, kept, nowId).refusal,
              GuardRefusal::keptMissing);
}

TEST(KeptCopy, BytesAreComparedNotDigestsAndOneInodeIsNeverItsOwnCopy) {
    TempTree t;
    // Same size, never edited since the scan, different content (what a digest collision gives).
    const auto doomed = t.file("a.bin", std::string(300000, 'a') + "1");
    const auto kept = t.file("b.bin", std::string(300000, 'a') + "2");
    const GuardResult d = RemovalGuard::verify(doomed, scanned(doomed));
    ASSERT_TRUE(d);
    EXPECT_EQ(RemovalGuard::confirmKeptCopy(doomed, *d.item, kept, scanned(kept)).refusal,
              GuardRefusal::keptDiffers);

    // A hard link: the "kept copy" is the same file; removing a name frees nothing.
    t.hardlink("a.bin", "a-link.bin");
    EXPECT_EQ(RemovalGuard::confirmKeptCopy(doomed, *d.item, t.path("a-link.bin"),
                                            scanned(t.path("a-link.bin")))
                  .refusal,
              GuardRefusal::keptSameFile);
}

TEST(KeptCopy, ABindMountedFileIsNotACopyOfItself) {
    if (::geteuid() != 0) GTEST_SKIP() << "bind mounts need root";
    TempTree t;
    const auto real = t.file("b/z_real", "precious");
    const auto mountPoint = t.file("b/a_mnt", "");
    if (::mount(real.c_str(), mountPoint.c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "bind mount refused here: " << std::strerror(errno);
    const FileIdentity atMount = scanned(mountPoint);
    const GuardResult d = RemovalGuard::verify(real, scanned(real));
    ASSERT_TRUE(d);
    EXPECT_EQ(RemovalGuard::confirmKeptCopy(real, *d.item, mountPoint, atMount).refusal,
              GuardRefusal::keptSameFile);
    ::umount2(mountPoint.c_str(), MNT_DETACH);
    EXPECT_EQ(t.read("b/z_real"), "precious");
}

TEST(SameBytes, EqualOnlyForTheSameBytesOfTheExpectedLength) {
    TempTree t;
    auto fd = [&](const std::string& rel, const std::string& content) {
        return ::open(t.file(rel, content).c_str(), O_RDONLY | O_CLOEXEC);
    };
    const std::string big(3 * 1024 * 1024 + 7, 'z');
    const int a = fd("a", big), b = fd("b", big), c = fd("c", big.substr(1) + "y"),
              d = fd("d", big + "!");
    EXPECT_TRUE(sameBytes(a, b, big.size()));
    EXPECT_FALSE(sameBytes(a, c, big.size()));  // the last byte differs
    EXPECT_FALSE(sameBytes(a, d, big.size()));  // one of them grew
    EXPECT_FALSE(sameBytes(a, b, big.size() + 1));
    std::atomic<bool> stop{true};
    EXPECT_FALSE(sameBytes(a, b, big.size(), &stop));
    for (int f : {a, b, c, d}) ::close(f);
}
