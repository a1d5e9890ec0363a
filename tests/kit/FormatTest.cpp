#include <gtest/gtest.h>

#include "kit/DateFormat.h"
#include "kit/Localization.h"
#include "kit/Paths.h"
#include "kit/Plural.h"
#include "kit/SizeFormat.h"

using namespace orvane::kit;

TEST(SizeFormat, DecimalUnitsWithThreeSignificantFigures) {
    EXPECT_EQ(transformedFileSize(0), "0 bytes");
    EXPECT_EQ(transformedFileSize(1), "1 byte");
    EXPECT_EQ(transformedFileSize(999), "999 bytes");
    EXPECT_EQ(transformedFileSize(1000), "1 KB");
    EXPECT_EQ(transformedFileSize(1500), "1.5 KB");
    EXPECT_EQ(transformedFileSize(12'345'678), "12.3 MB");
    EXPECT_EQ(transformedFileSize(999'999), "1 MB") << "rounding carries into the next unit";
    EXPECT_EQ(transformedFileSize(4'567'000'000ull), "4.57 GB");
    EXPECT_EQ(transformedFileSize(10'000'000, false, true), "10MB");
    EXPECT_EQ(transformedFileSize(10'000'000, true, false), "10");
}

TEST(Localization, PlainEnglishKeysPassThroughAndIdentifiersGetText) {
    EXPECT_EQ(localized("Junk Files"), "Junk Files");
    EXPECT_EQ(localized("Duplicate_Files"), "Duplicate Files");
    EXPECT_EQ(localized("更新详情"), "Update details");
    EXPECT_EQ(formatLocalized("Remove to %@", {"Backup"}), "Remove to Backup");
    EXPECT_EQ(formatLocalized("%@ of %@", {"1"}), "1 of %@") << "missing arguments leave the mark";
    // Screen keys keep their historic spelling; what people read is spaced and worded evenly.
    EXPECT_EQ(localized("500 MB  to 1 GB"), "500 MB to 1 GB");
    EXPECT_EQ(localized("Over 5GB"), "Over 5 GB");
    EXPECT_EQ(localized("1 GB to 5GB"), "1 GB to 5 GB");
    EXPECT_EQ(localized("Searching for Duplicate"), "Searching for Duplicates");
}

TEST(Plural, TheNounAgreesWithTheCount) {
    EXPECT_EQ(countOf(0, "file", "files"), "0 files");
    EXPECT_EQ(countOf(1, "file", "files"), "1 file");
    EXPECT_EQ(countOf(2, "copy", "copies"), "2 copies");
    EXPECT_EQ(countOf(1'250'000, "file", "files"), "1,250,000 files");
    EXPECT_EQ(countOf(1, "Duplicate_Files", "x"), "1 Duplicate Files")
        << "nouns go through the catalog";
    EXPECT_EQ(groupedDigits(0), "0");
    EXPECT_EQ(groupedDigits(999), "999");
    EXPECT_EQ(groupedDigits(1000), "1,000");
    EXPECT_EQ(groupedDigits(18'446'744'073'709'551'615ULL), "18,446,744,073,709,551,615");
}

TEST(Paths, NamesAndExtensions) {
    EXPECT_EQ(directoryName("/a/b/"), "b");
    EXPECT_EQ(directoryName("/"), "/");
    EXPECT_EQ(fileNameDeletepathExtension("/x/report.tar.gz"), "report.tar");
    EXPECT_EQ(fileNameDeletepathExtension("/x/.bashrc"), ".bashrc");
    EXPECT_EQ(pathExtension("/a.d/B.JPG"), "JPG");
    EXPECT_EQ(pathExtension("/a.d/noext"), "");
    EXPECT_EQ(parentPath("/a"), "/");
    EXPECT_EQ(parentPath("/a/b/"), "/a");
    EXPECT_EQ(joinPath("/a/", "/b"), "/a/b");
}

TEST(Paths, InvalidUtf8IsShownReplacedButDetected) {
    const std::string bad = std::string("/tmp/caf") + char(0xE9) + ".txt";
    EXPECT_FALSE(isValidUtf8(bad));
    EXPECT_TRUE(isValidUtf8("/tmp/café/日本.txt"));
    EXPECT_EQ(displayPath(bad), "/tmp/caf\xEF\xBF\xBD.txt");
    EXPECT_FALSE(isValidUtf8(std::string("\xE6\x97", 2))) << "truncated sequence";
}

TEST(DateFormat, ElapsedIsMinutesAndSeconds) {
    EXPECT_EQ(elapsedStr(0), "00:00");
    EXPECT_EQ(elapsedStr(61.9), "01:01");
    EXPECT_EQ(elapsedStr(4503), "75:03");
}

#include "kit/JsonText.h"

TEST(JsonText, EscapesControlsAndKeepsNonUtf8BytesRecoverable) {
    EXPECT_EQ(jsonString("a\"b\\c\nd\x01"), "\"a\\\"b\\\\c\\nd\\u0001\"");
    EXPECT_EQ(jsonString("café/日本"), "\"café/日本\"");
    EXPECT_EQ(jsonString(std::string("caf") + char(0xE9) + "x"), "\"caf\\udce9x\"");
    EXPECT_EQ(jsonString(std::string("\xE6\x97", 2)), "\"\\udce6\\udc97\"") << "cut sequence";
}
