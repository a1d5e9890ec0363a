#include "core/files/RecordFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/TempTree.h"

using namespace orvane::files;
using orvane::testing::TempTree;

namespace {

constexpr RecordFormat kPairs{"TEST-PAIRS-1\n", 12, 1000, "pair file"};

// Records of (a 64-bit number, a 32-bit number), written the way a cache writes them.
std::string pairsFile(const std::vector<std::pair<std::uint64_t, std::uint32_t>>& pairs) {
    std::string bytes;
    RecordWriter writer(kPairs, pairs.size(), [&](const char* data, std::size_t size) {
        bytes.append(data, size);
        return true;
    });
    for (const auto& [a, b] : pairs) {
        recordPut64(writer.buffer(), a);
        recordPut32(writer.buffer(), b);
        writer.endRecord();
    }
    EXPECT_TRUE(writer.finish());
    return bytes;
}

bool saveAll(const std::string& path, const std::string& bytes, std::string* error = nullptr) {
    return saveRecordFile(
        path, [&](const RecordWriter::Sink& sink) { return sink(bytes.data(), bytes.size()); },
        error);
}

}  // namespace

TEST(RecordFile, RecordsSurviveAWriteAndARead) {
    TempTree t;
    const std::vector<std::pair<std::uint64_t, std::uint32_t>> pairs = {
        {0, 0}, {0x0123456789ABCDEFull, 0xDEADBEEFu}, {~0ull, 7}};
    const std::string bytes = pairsFile(pairs);
    EXPECT_EQ(bytes.size(), kPairs.magic.size() + 8 + 3 * 12 + 8);
    // Little-endian on disk, whatever the machine.
    EXPECT_EQ(static_cast<unsigned char>(bytes[kPairs.magic.size() + 8 + 12]), 0xEF);

    const std::string path = t.path("nested/folders/pairs");
    ASSERT_TRUE(saveAll(path, bytes)) << "missing folders are made";
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "private to the user";

    std::string read;
    ASSERT_TRUE(readRecordFile(path, kPairs, read));
    EXPECT_EQ(read, bytes);
    std::string error;
    const auto view = parseRecords(read, kPairs, &error);
    ASSERT_TRUE(view) << error;
    ASSERT_EQ(view->count(), pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        EXPECT_EQ(recordGet64(view->record(i)), pairs[i].first);
        EXPECT_EQ(recordGet32(view->record(i) + 8), pairs[i].second);
    }
    // No records at all is a valid file too.
    const auto none = parseRecords(pairsFile({}), kPairs);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->count(), 0u);
}

TEST(RecordFile, CorruptTruncatedAndForeignBytesAreRefusedWithAReason) {
    const std::string bytes = pairsFile({{1, 2}, {3, 4}});
    std::vector<std::pair<std::string, std::string>> bad = {
        {"empty", ""},
        {"foreign", "ORVANE-PHOTO-SIGNATURES-3\n" + std::string(100, '\0')},
        {"other version", "TEST-PAIRS-2\n" + bytes.substr(kPairs.magic.size())},
        {"magic only", std::string(kPairs.magic)},
        {"longer", bytes + "x"},
    };
    // Every truncation, and every single flipped bit in the header, the records and the sum.
    for (std::size_t n = 0; n < bytes.size(); ++n)
        bad.emplace_back("cut at " + std::to_string(n), bytes.substr(0, n));
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        std::string flipped = bytes;
        flipped[at] ^= 0x04;
        bad.emplace_back("flipped at " + std::to_string(at), flipped);
    }
    for (const auto& [name, content] : bad) {
        std::string error;
        EXPECT_FALSE(parseRecords(content, kPairs, &error)) << name;
        EXPECT_FALSE(error.empty()) << name;
    }
    std::string error;
    parseRecords("nonsense", kPairs, &error);
    EXPECT_EQ(error, "not a pair file of this version");

    // A count beyond the bound, with the length and checksum made to match it, is still refused:
    // the bound is what keeps a hostile file from asking for gigabytes.
    constexpr RecordFormat kSmall{"TEST-PAIRS-1\n", 12, 1, "pair file"};
    EXPECT_FALSE(parseRecords(bytes, kSmall, &error));
    EXPECT_EQ(error, "damaged: wrong length");
}

TEST(RecordFile, ReadingTakesOnlyARegularFileOfAPossibleSize) {
    TempTree t;
    std::string out = "left over";
    EXPECT_TRUE(readRecordFile(t.path("none"), kPairs, out)) << "no file yet is no error";
    EXPECT_TRUE(out.empty());

    std::string error;
    EXPECT_FALSE(readRecordFile(t.dir("folder"), kPairs, out, &error));
    EXPECT_FALSE(error.empty());

    const std::string real = t.file("real", pairsFile({{5, 6}}));
    t.symlink(real, "link");
    EXPECT_FALSE(readRecordFile(t.path("link"), kPairs, out)) << "a link is not followed";

    constexpr RecordFormat kTiny{"TEST-PAIRS-1\n", 12, 0, "pair file"};
    error.clear();
    EXPECT_FALSE(readRecordFile(real, kTiny, out, &error));
    EXPECT_EQ(error, "too large to be a pair file");
}

TEST(RecordFile, AFailedWriteLeavesTheOldFileAndNoTemporaryBehind) {
    TempTree t;
    const std::string path = t.path("cache/pairs");
    const std::string old = pairsFile({{1, 1}});
    ASSERT_TRUE(saveAll(path, old));

    // The producer gives up half way (a full disk, say).
    std::string error;
    EXPECT_FALSE(saveRecordFile(
        path,
        [](const RecordWriter::Sink& sink) {
            sink("TEST", 4);
            return false;
        },
        &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(t.read("cache/pairs"), old);
    EXPECT_FALSE(t.exists("cache/pairs.tmp." + std::to_string(::getpid())));

    // A writer that hands over fewer records than it announced reports it.
    RecordWriter short_(kPairs, 2, [](const char*, std::size_t) { return true; });
    recordPut64(short_.buffer(), 1);
    recordPut32(short_.buffer(), 1);
    short_.endRecord();
    EXPECT_FALSE(short_.finish());

    // Where a folder stands in the way, nothing can be written.
    t.dir("blocked/pairs");
    EXPECT_FALSE(saveAll(t.path("blocked/pairs"), old, &error));
}
