// What a hostile user, a sync tool or plain bad luck does between a scan and "Remove": every case
// here once lost data. Real files, real special files, real mounts where this runs as root.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "Groups.h"
#include "core/files/RemoveOperation.h"
#include "core/settings/PerferenceInfo.h"
#include "core/settings/PlistFile.h"
#include "kit/OperationQueue.h"
#include "support/CliRun.h"

using namespace orvane::duplicates;
using namespace orvane::files;
using namespace orvane::duplicates::testing;
using orvane::testing::ScopedHome;
using orvane::testing::TempTree;

namespace {

// Deletes the selected copies of each group for good, as the driver's removal queue does.
struct DeleteRun {
    DeleteRun() : remover(nullptr) {
        auto ctx = std::make_shared<RemoveRunContext>();
        ctx->remover = &remover;
        ctx->type = RemoveType::forever();
        ctx->removeStop = &removeStop;
        ctx->freeSizeNotEnought = &freeSizeNotEnought;
        ctx->forceRemove = &forceRemove;
        ctx->removeQueue = &queue;
        ctx->onFailure = [this](const FileInfo&) { ++failed; };
        context = ctx;
    }
    void remove(const DuplicateFilesPtr& group) {
        auto op = std::make_shared<RemoveOperation>(group, context);
        op->removeBlock = [this](const std::shared_ptr<FileInfo>&, FileType, const RemovalResult&) {
            ++removed;
        };
        queue.addOperation(op);
        queue.waitUntilAllOperationsAreFinished();
    }
    FileRemover remover;
    std::shared_ptr<const RemoveRunContext> context;
    std::atomic<bool> removeStop{false}, freeSizeNotEnought{false}, forceRemove{false};
    orvane::kit::OperationQueue queue{"remove", 1};
    std::atomic<int> removed{0}, failed{0};
};

void select(const DuplicateFilesPtr& g, std::size_t index) {
    g->_infos[index]->selected = true;
    g->selectState = SelectState::mixed;
}

void overwriteInPlace(const std::string& path, const std::string& content) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.write(content.data(), static_cast<std::streamsize>(content.size()));
}

class RemovalSafety : public ::testing::Test {
protected:
    TempTree tree;
    ScopedHome home{tree};
};

}  // namespace

TEST_F(RemovalSafety, AKeptCopyEditedAfterTheScanKeepsTheOtherCopy) {
    auto g = groupOf(tree, {"a/keep.txt", "b/copy.txt"}, "version one");
    select(g, 1);
    overwriteInPlace(tree.path("a/keep.txt"), "VERSION TWO");  // same size, same inode
    DeleteRun run;
    run.remove(g);
    EXPECT_EQ(tree.read("b/copy.txt"), "version one") << "the only original left";
    EXPECT_EQ(run.removed, 0);
    ASSERT_TRUE(g->infos()[1]->removeError);
    EXPECT_EQ(g->infos()[1]->removeError->code, kRemoveErrorLastCopy);
}

TEST_F(RemovalSafety, ASelectedCopyEditedAfterTheScanIsNotDeleted) {
    auto g = groupOf(tree, {"a/keep.txt", "b/copy.txt"}, "version one");
    select(g, 1);
    overwriteInPlace(tree.path("b/copy.txt"), "new content");
    DeleteRun run;
    run.remove(g);
    EXPECT_EQ(tree.read("b/copy.txt"), "new content");
    ASSERT_TRUE(g->infos()[1]->removeError);
    EXPECT_EQ(g->infos()[1]->removeError->code, kRemoveErrorChanged);
}

TEST_F(RemovalSafety, AHardLinkIsNotACopyAndFreesNothing) {
    const std::string first = tree.file("a/photo.jpg", "pixels");
    const std::string second = tree.hardlink("a/photo.jpg", "b/photo.jpg");
    auto g = std::make_shared<DuplicateFiles>();
    g->append(scanned(first));
    g->append(scanned(second));
    select(g, 1);
    DeleteRun run;
    run.remove(g);
    EXPECT_TRUE(tree.exists("b/photo.jpg"));
    ASSERT_TRUE(g->infos()[1]->removeError);
    EXPECT_NE(g->infos()[1]->removeError->description.find("free nothing"), std::string::npos)
        << g->infos()[1]->removeError->description;
}

TEST_F(RemovalSafety, EveryRemovalIsWrittenDownBeforeItHappens) {
    auto g = groupOf(tree, {"a/keep.txt", "b/copy\nwith newline.txt"}, "same");
    select(g, 1);
    DeleteRun run;
    run.remove(g);
    EXPECT_EQ(run.removed, 1);
    const std::string journal = tree.read("home/.local/state/com.orvane.app/removals.jsonl");
    EXPECT_NE(journal.find("\"action\":\"delete\""), std::string::npos) << journal;
    EXPECT_NE(journal.find("copy\\nwith newline.txt"), std::string::npos) << journal;
    EXPECT_EQ(std::count(journal.begin(), journal.end(), '\n'), 1);
}

#ifdef ORVANE_CLI_PATH

using orvane::testing::CliRun;
using orvane::testing::runCli;

TEST_F(RemovalSafety, SpecialFilesAreNeverRemovedAsEmptyDuplicates) {
    tree.dir("d");
    ASSERT_EQ(::mkfifo(tree.path("d/fifo1").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(tree.path("d/fifo2").c_str(), 0600), 0);
    const std::string sock = tree.path("d/sock");
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, sock.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(s);
    if (::geteuid() == 0) {
        ASSERT_EQ(::mknod(tree.path("d/null").c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
    }
    const CliRun r = runCli(tree, ORVANE_CLI_PATH,
                            "duplicates -q --zero-byte --hidden '" + tree.path("d") +
                                "' --auto-select --remove delete");
    EXPECT_TRUE(tree.exists("d/fifo1") && tree.exists("d/fifo2") && tree.exists("d/sock"));
    if (::geteuid() == 0) {
        EXPECT_TRUE(tree.exists("d/null"));
    }
    EXPECT_EQ(r.out.find("Removed 4 files"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("deleted"), std::string::npos) << r.out;
}

TEST_F(RemovalSafety, ABindMountedFileIsNotItsOwnDuplicate) {
    if (::geteuid() != 0) GTEST_SKIP() << "bind mounts need root";
    const std::string real = tree.file("b/z_real", "the only data");
    const std::string mnt = tree.file("b/a_mnt", "");
    if (::mount(real.c_str(), mnt.c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "bind mount refused here: " << std::strerror(errno);
    const CliRun r = runCli(tree, ORVANE_CLI_PATH,
                            "duplicates -q '" + tree.path("b") + "' --auto-select --remove delete");
    ::umount2(mnt.c_str(), MNT_DETACH);
    EXPECT_EQ(tree.read("b/z_real"), "the only data") << r.out << r.err;
}

TEST_F(RemovalSafety, AReaderThatGoesAwayNeverStopsARemovalHalfWay) {
    for (int i = 0; i < 40; ++i) {
        tree.file("p/" + std::to_string(i) + "/keep.dat", "content " + std::to_string(i));
        tree.file("p/" + std::to_string(i) + "/zcopy.dat", "content " + std::to_string(i));
    }
    // The reader is gone before the first write, so every write fails and none can slip
    // through into a pipe buffer first, however the machine schedules the two processes.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    ::close(pipeFds[0]);
    const std::string errPath = tree.path("err");
    const std::string scanPath = tree.path("p");
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err >= 0) ::dup2(err, STDERR_FILENO);
        ::execl(ORVANE_CLI_PATH, ORVANE_CLI_PATH, "duplicates", "-q", scanPath.c_str(),
                "--auto-select", "--remove", "delete", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the program was killed by signal " << WTERMSIG(status);
    int left = 0;
    for (int i = 0; i < 40; ++i) left += tree.exists("p/" + std::to_string(i) + "/zcopy.dat");
    EXPECT_EQ(left, 0) << "the removal ran to its end";
    for (int i = 0; i < 40; ++i) EXPECT_TRUE(tree.exists("p/" + std::to_string(i) + "/keep.dat"));
    const std::string journal = tree.read("home/.local/state/com.orvane.app/removals.jsonl");
    EXPECT_EQ(std::count(journal.begin(), journal.end(), '\n'), 40);
    EXPECT_NE(tree.read("err").find("removals.jsonl"), std::string::npos) << tree.read("err");
}

namespace {

// Saved settings that exclude `entries` from both scans.
void exclude(TempTree& tree, const std::vector<std::string>& entries) {
    using namespace orvane::settings;
    Dictionary d = PerferenceInfo::defaultDictionary();
    d.set(prefkey::whiteListPath, PlistValue::stringArray(entries));
    d.set(prefkey::largeFileWhiteListPath, PlistValue::stringArray(entries));
    std::string error;
    ASSERT_TRUE(writePlistFileAtomic(tree.path("home/.config/com.orvane.app/PreferenceInfo.plist"),
                                     d, &error))
        << error;
}

}  // namespace

TEST_F(RemovalSafety, NoSpellingOfAPathGetsAroundAnExclusion) {
    tree.file("data/private/tax.pdf", "same bytes");
    tree.file("data/public/copy.pdf", "same bytes");
    tree.symlink(tree.path("data"), "via-link");
    tree.symlink(tree.path("data/private"), "private-link");

    // Written with the real path, scanned through a link.
    exclude(tree, {tree.path("data/private")});
    CliRun r =
        runCli(tree, ORVANE_CLI_PATH,
               "duplicates -q '" + tree.path("via-link") + "' --auto-select --remove delete");
    EXPECT_TRUE(tree.exists("data/private/tax.pdf")) << r.out << r.err;
    EXPECT_EQ(r.out.find("tax.pdf"), std::string::npos) << r.out;

    // Written through a link, scanned by the real path; and a root inside the excluded folder.
    exclude(tree, {tree.path("private-link")});
    r = runCli(tree, ORVANE_CLI_PATH,
               "duplicates -q '" + tree.path("data") + "' --auto-select --remove delete");
    EXPECT_TRUE(tree.exists("data/private/tax.pdf")) << r.out << r.err;
    r = runCli(tree, ORVANE_CLI_PATH,
               "duplicates -q '" + tree.path("data/private") + "' '" + tree.path("data/public") +
                   "' --auto-select --remove delete");
    EXPECT_TRUE(tree.exists("data/private/tax.pdf")) << r.out << r.err;

    // The large-file scan obeys the same rule.
    tree.sparseFile("data/private/disk.img", 20'000'000);
    r = runCli(tree, ORVANE_CLI_PATH,
               "large-files -q '" + tree.path("via-link") + "' --group 0 --remove delete");
    EXPECT_TRUE(tree.exists("data/private/disk.img")) << r.out << r.err;
}

TEST_F(RemovalSafety, ARootWithDotDotIsWhatTheKernelMeans) {
    // "elsewhere/link/.." is real/ to the kernel, elsewhere/ to a text-wise reading.
    tree.file("real/a.txt", "real copy");
    tree.file("real/b.txt", "real copy");
    tree.dir("real/child");
    tree.file("elsewhere/a.txt", "decoy");
    tree.file("elsewhere/b.txt", "decoy");
    tree.symlink(tree.path("real/child"), "elsewhere/link");
    const CliRun r = runCli(
        tree, ORVANE_CLI_PATH,
        "duplicates -q '" + tree.path("elsewhere/link/..") + "' --auto-select --remove delete");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(tree.exists("elsewhere/a.txt") && tree.exists("elsewhere/b.txt")) << r.out;
    EXPECT_NE(tree.exists("real/a.txt"), tree.exists("real/b.txt")) << r.out;
}

#endif
