// Grouping must never trust a digest an attacker can collide, and a stop must end even the read
// of a huge file at once.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/duplicates/AssembleOperation.h"
#include "core/duplicates/Md5File.h"
#include "support/TempTree.h"

using namespace orvane::duplicates;
using orvane::testing::TempTree;

namespace {

std::string fromHex(std::string_view hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

// The published pair of 128-byte blocks with one MD5 (Wang and Yu, 2004). Any common suffix keeps
// the digests equal.
const std::string kCollisionA = fromHex(
    "d131dd02c5e6eec4693d9a0698aff95c2fcab58712467eab4004583eb8fb7f8955ad340609f4b30283e48883"
    "2571415a085125e8f7cdc99fd91dbdf280373c5bd8823e3156348f5bae6dacd436c919c6dd53e2b487da03fd"
    "02396306d248cda0e99f33420f577ee8ce54b67080a80d1ec69821bcb6a8839396f9652b6ff72a70");
const std::string kCollisionB = fromHex(
    "d131dd02c5e6eec4693d9a0698aff95c2fcab50712467eab4004583eb8fb7f8955ad340609f4b30283e48883"
    "25f1415a085125e8f7cdc99fd91dbd7280373c5bd8823e3156348f5bae6dacd436c919c6dd53e23487da03fd"
    "02396306d248cda0e99f33420f577ee8ce54b67080280d1ec69821bcb6a8839396f965ab6ff72a70");

ResourceValueURL item(const std::string& path) {
    ResourceValueURL r{path, {}};
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) r.resourceValues.setFileIdentifier(st.st_dev, st.st_ino);
    return r;
}

std::vector<std::vector<std::string>> assemble(const std::vector<std::string>& paths,
                                               std::int64_t size,
                                               const std::atomic<bool>* stop = nullptr) {
    std::vector<ResourceValueURL> data;
    for (const auto& p : paths) data.push_back(item(p));
    auto op = std::make_shared<AssembleOperation>(std::move(data), size, stop);
    std::vector<std::vector<std::string>> groups;
    op->assembleBlock = [&](DuplicateFilesPtr g) {
        std::vector<std::string> members;
        for (const auto& info : g->infos()) members.push_back(info->path());
        groups.push_back(members);
    };
    op->start();
    return groups;
}

}  // namespace

TEST(ContentConfirmation, FilesSharingAnMd5ButNotTheirBytesAreNeverGrouped) {
    ASSERT_NE(kCollisionA, kCollisionB);
    const std::string suffix(16 * 1024 - 128, 's');
    ASSERT_EQ(md5File(TempTree().file("probe", kCollisionA + suffix), 16 * 1024),
              md5File(TempTree().file("probe", kCollisionB + suffix), 16 * 1024));

    TempTree t;
    std::vector<std::string> paths{t.file("evil/a.bin", kCollisionA + suffix),
                                   t.file("evil/b.bin", kCollisionB + suffix),
                                   t.file("real/one.bin", std::string(16 * 1024, 'r')),
                                   t.file("real/two.bin", std::string(16 * 1024, 'r'))};
    // Enough other files of the size that the group is digested file by file, not in memory.
    for (int i = 0; i < 600; ++i) {
        std::string body = std::to_string(i) + ":";
        body.resize(16 * 1024, 'o');
        paths.push_back(t.file("other/" + std::to_string(i), body));
    }
    const auto groups = assemble(paths, 16 * 1024);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0],
              (std::vector<std::string>{t.path("real/one.bin"), t.path("real/two.bin")}));

    // The same pair alone, and as large files that are sampled and streamed.
    EXPECT_TRUE(assemble({t.path("evil/a.bin"), t.path("evil/b.bin")}, 16 * 1024).empty());
    const std::string bigSuffix(3 * 1024 * 1024, 'S');
    const auto a = t.file("big/a", kCollisionA + bigSuffix);
    const auto b = t.file("big/b", kCollisionB + bigSuffix);
    const auto size = static_cast<std::int64_t>(kCollisionA.size() + bigSuffix.size());
    ASSERT_EQ(md5File(a, size), md5File(b, size));
    EXPECT_TRUE(assemble({a, b}, size).empty());
}

TEST(ContentConfirmation, AStopEndsTheDigestOfAHugeFileWithinAFewChunks) {
    TempTree t;
    const std::uint64_t size = 64ull << 30;  // two sparse files of 64 GiB read as zeros
    const auto a = t.sparseFile("a.img", size);
    const auto b = t.sparseFile("b.img", size);

    std::atomic<bool> stop{false};
    std::vector<std::vector<std::string>> groups;
    const auto started = std::chrono::steady_clock::now();
    std::thread worker([&] { groups = assemble({a, b}, static_cast<std::int64_t>(size), &stop); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto stopped = std::chrono::steady_clock::now();
    stop = true;
    worker.join();
    const auto ended = std::chrono::steady_clock::now();
    EXPECT_LT(ended - stopped, std::chrono::seconds(1));
    EXPECT_LT(ended - started, std::chrono::seconds(5));
    EXPECT_TRUE(groups.empty());

    // The reader on its own: a stop asked for before the first chunk reads nothing.
    int chunks = 0;
    EXPECT_FALSE(ContentReader::digest(a, size, [&] { return ++chunks > 3; }));
    EXPECT_EQ(chunks, 4);
}

TEST(ContentConfirmation, HardLinksAreOneFileInTheGroupTotal) {
    TempTree t;
    const auto a = t.fileOfSize("a", 70000, 'h');
    const auto b = t.hardlink("a", "b");
    const auto c = t.fileOfSize("c", 70000, 'h');
    std::vector<ResourceValueURL> data{item(a), item(b), item(c)};
    auto op = std::make_shared<AssembleOperation>(std::move(data), 70000);
    std::uint64_t total = 0;
    std::size_t members = 0;
    op->assembleBlock = [&](DuplicateFilesPtr g) {
        total = g->totalSize;
        members = g->count();
    };
    op->start();
    EXPECT_EQ(members, 3u);
    EXPECT_EQ(total, 140000u) << "two files on disk, whatever the number of names";
}
