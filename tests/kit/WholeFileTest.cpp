// The one bounded reader every module's whole-file read goes through: what it refuses, and what
// it returns for a file whose size says more than it holds.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "kit/WholeFile.h"
#include "support/TempTree.h"

using namespace orvane::kit;
using Failure = WholeFile::Failure;
using orvane::testing::TempTree;

TEST(WholeFile, ReadsOnlyARegularFileWithinItsBoundAndNeverThroughARefusedLink) {
    TempTree t;
    const std::string real = t.file("real", "twelve bytes");
    t.symlink(real, "link");
    t.dir("folder");
    ASSERT_EQ(::mkfifo(t.path("fifo").c_str(), 0600), 0);

    const WholeFile whole = readWholeFile(real, 12);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole.bytes, "twelve bytes");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(whole.inode, st.st_ino);

    EXPECT_EQ(readWholeFile(real, 11).failure, Failure::tooLarge) << "one byte over the bound";
    EXPECT_TRUE(readWholeFile(real, 11).bytes.empty());
    EXPECT_EQ(readWholeFile(t.path("none"), 100).failure, Failure::missing);
    EXPECT_EQ(readWholeFile(t.path("folder"), 100).failure, Failure::notRegular);

    const WholeFile link = readWholeFile(t.path("link"), 100);
    EXPECT_EQ(link.failure, Failure::cannotOpen);
    EXPECT_EQ(link.error, ELOOP);
    EXPECT_EQ(readWholeFile(t.path("link"), 100, FileLinks::follow).bytes, "twelve bytes");

    // No writer on the other end: refused at once instead of waiting for one.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(readWholeFile(t.path("fifo"), 100).failure, Failure::notRegular);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    // Relative to a folder the caller holds open.
    const int dir = ::open(t.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(dir, 0);
    EXPECT_EQ(readWholeFile("real", 100, FileLinks::refuse, dir).bytes, "twelve bytes");
    EXPECT_EQ(readWholeFile("link", 100, FileLinks::refuse, dir).failure, Failure::cannotOpen);
    ::close(dir);

    // The start of a file of any size.
    EXPECT_EQ(readFileStart(real, 6).bytes, "twelve");
    EXPECT_EQ(readFileStart(real, 100).bytes, "twelve bytes");
    EXPECT_EQ(readFileStart(t.path("link"), 6).failure, Failure::cannotOpen);
}

TEST(WholeFile, AFileThatHoldsLessThanItsSizeSaysGivesWhatItHolds) {
    // Kernel attribute files report a page as their size and hold a line: a short read, as a
    // file cut short while it is read gives one.
    const std::string path = "/sys/kernel/mm/transparent_hugepage/enabled";
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_size <= 0) GTEST_SKIP() << "no " << path;
    const WholeFile file = readWholeFile(path, static_cast<std::uint64_t>(st.st_size));
    ASSERT_TRUE(file) << static_cast<int>(file.failure);
    EXPECT_GT(file.bytes.size(), 0u);
    EXPECT_LT(file.bytes.size(), static_cast<std::size_t>(st.st_size)) << "nothing made up";
    EXPECT_EQ(file.bytes.find('\0'), std::string::npos) << "no padding left where bytes were not";
    EXPECT_EQ(file.bytes.back(), '\n');
}
