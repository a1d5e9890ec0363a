// Moving a file's bytes to another disk and writing down what went where: nothing may be lost
// to a replacement during the copy, a kill half-way, or a name already taken.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "core/files/CrossDiskMove.h"
#include "core/files/RemovalGuard.h"
#include "core/files/RemovalJournal.h"
#include "support/TempTree.h"

using namespace orvane::files;
using orvane::testing::ScopedHome;
using orvane::testing::TempTree;

namespace {

GuardedItem verified(const std::string& path) {
    FileIdentity id;
    EXPECT_TRUE(FileIdentity::read(path.c_str(), id));
    GuardResult r = RemovalGuard::verify(path, id);
    EXPECT_TRUE(r) << r.reason;
    return std::move(*r.item);
}

CrossDiskMove::NameFor names(const std::string& base) {
    return
        [base](int attempt) { return attempt == 0 ? base : base + "." + std::to_string(attempt); };
}

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(CrossDiskMove, CopiesFlushesNamesAndOnlyThenRemovesTheOriginal) {
    TempTree t;
    const std::string content(2 * 1024 * 1024 + 3, 'm');
    const auto source = t.file("from/movie.mkv", content);
    t.file("to/movie.mkv", "someone else's");  // the first name is taken: never replaced
    std::vector<std::uint64_t> progress;
    const MoveResult r =
        CrossDiskMove::move(source, verified(source), t.path("to"), names("movie.mkv"),
                            [&](std::uint64_t n) { progress.push_back(n); });
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.finalPath, t.path("to/movie.mkv.1"));
    EXPECT_TRUE(t.read("to/movie.mkv.1") == content);
    EXPECT_EQ(t.read("to/movie.mkv"), "someone else's");
    EXPECT_FALSE(t.exists("from/movie.mkv"));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), content.size());
    EXPECT_EQ(entries(t.path("to")), (std::vector<std::string>{"movie.mkv", "movie.mkv.1"}));
}

TEST(CrossDiskMove, AFileReplacedDuringTheCopyIsNeverTheOneRemoved) {
    TempTree t;
    const auto source = t.file("from/data.bin", std::string(3 * 1024 * 1024, 'o'));
    t.dir("to");
    bool replaced = false;
    const MoveResult r = CrossDiskMove::move(
        source, verified(source), t.path("to"), names("data.bin"), [&](std::uint64_t) {
            if (replaced) return;
            replaced = true;
            t.file("from/new.bin", "the replacement");
            std::filesystem::rename(t.path("from/new.bin"), source);
        });
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.reason.find("changed since the scan"), std::string::npos) << r.reason;
    EXPECT_EQ(t.read("from/data.bin"), "the replacement");
    EXPECT_TRUE(entries(t.path("to")).empty());  // the half-valid copy went, nothing else

    // Edited in place during the copy: the same answer, the edited original stays.
    const auto edited = t.file("from/log.txt", std::string(3 * 1024 * 1024, 'l'));
    bool touched = false;
    const MoveResult e = CrossDiskMove::move(
        edited, verified(edited), t.path("to"), names("log.txt"), [&](std::uint64_t) {
            if (!touched) std::ofstream(edited, std::ios::app) << "one more line";
            touched = true;
        });
    EXPECT_FALSE(e.ok);
    EXPECT_TRUE(t.exists("from/log.txt"));
    EXPECT_TRUE(entries(t.path("to")).empty());
}

TEST(CrossDiskMove, KilledHalfWayLeavesNothingUnderTheFinalName) {
    TempTree t;
    const auto source = t.file("from/big.iso", std::string(4 * 1024 * 1024, 'i'));
    t.dir("to");
    const pid_t child = ::fork();
    if (child == 0) {
        CrossDiskMove::move(source, verified(source), t.path("to"), names("big.iso"),
                            [](std::uint64_t) { ::raise(SIGTERM); });
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_FALSE(t.exists("to/big.iso"));
    for (const auto& name : entries(t.path("to")))  // at most a hidden partial file
        EXPECT_EQ(name.front(), '.') << name;
    EXPECT_EQ(t.read("from/big.iso").size(), 4u * 1024 * 1024);
}

TEST(CrossDiskMove, AcrossARealSecondFileSystem) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a second file system needs root";
    TempTree t;
    const auto mountPoint = t.dir("other-disk");
    if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=16m") != 0)
        GTEST_SKIP() << "tmpfs mount refused here: " << std::strerror(errno);
    const auto source = t.file("from/song.flac", std::string(1024 * 1024, 's'));
    const MoveResult r =
        CrossDiskMove::move(source, verified(source), mountPoint, names("song.flac"));
    EXPECT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(t.read("other-disk/song.flac").size(), 1024u * 1024);
    EXPECT_FALSE(t.exists("from/song.flac"));
    ::umount2(mountPoint.c_str(), MNT_DETACH);
}

TEST(RemovalJournal, EveryLineIsValidJsonNamingWhatWentWhere) {
    TempTree t;
    ScopedHome home(t);
    RemovalJournal journal;
    EXPECT_EQ(journal.path(), home.home() + "/.local/state/com.orvane.app/removals.jsonl");
    ASSERT_TRUE(journal.record("trash", "/home/u/a\nb.txt", 12, S_IFREG | 0644,
                               "/home/u/.local/share/Trash/files/a\nb.txt"));
    ASSERT_TRUE(
        journal.record("delete", std::string("/home/u/caf\xE9.txt"), 5, S_IFREG | 0600, ""));

    std::istringstream lines(t.read("home/.local/state/com.orvane.app/removals.jsonl"));
    std::string line;
    std::vector<nlohmann::json> parsed;
    while (std::getline(lines, line)) {
        // Raw bytes that are not UTF-8 are escaped; parse what a strict reader can.
        if (line.find("\\udc") != std::string::npos) {
            EXPECT_NE(line.find("\"action\":\"delete\""), std::string::npos) << line;
            EXPECT_NE(line.find("caf\\udce9.txt"), std::string::npos) << line;
            continue;
        }
        parsed.push_back(nlohmann::json::parse(line));
    }
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_EQ(parsed[0]["action"], "trash");
    EXPECT_EQ(parsed[0]["path"], "/home/u/a\nb.txt");
    EXPECT_EQ(parsed[0]["size"], 12);
    EXPECT_EQ(parsed[0]["mode"], "100644");
    EXPECT_EQ(parsed[0]["destination"], "/home/u/.local/share/Trash/files/a\nb.txt");
    EXPECT_GT(parsed[0]["time"].get<double>(), 1.6e9);

    // A journal that cannot be written says so; the caller then removes nothing.
    RemovalJournal blocked(t.file("blocker", "") + "/removals.jsonl");
    std::string error;
    EXPECT_FALSE(blocked.record("delete", "/x", 1, S_IFREG, "", &error));
    EXPECT_NE(error.find("cannot be written"), std::string::npos) << error;
}
