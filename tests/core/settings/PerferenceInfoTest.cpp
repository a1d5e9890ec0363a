#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "core/settings/PerferenceInfo.h"
#include "core/settings/PlistFile.h"
#include "core/settings/PreferenceObservers.h"
#include "support/TempTree.h"

using namespace orvane::settings;
using orvane::testing::ScopedHome;
using orvane::testing::TempTree;

namespace {

// Writes `d` as the settings file and reads a snapshot of it.
PerferenceInfo snapshotOf(TempTree& t, const Dictionary& d) {
    const std::string path = t.path("PreferenceInfo.plist");
    std::string error;
    EXPECT_TRUE(writePlistFileAtomic(path, d, &error)) << error;
    return PerferenceInfo(path);
}

}  // namespace

TEST(PerferenceInfo, FirstRunWritesTheDefaultsInTheirOrder) {
    TempTree t;
    ScopedHome home(t);
    PerferenceInfo info;
    EXPECT_EQ(info.path, home.home() + "/.config/com.orvane.app/PreferenceInfo.plist");
    const auto onDisk = readPlistFile(info.path);
    ASSERT_EQ(onDisk.status, PlistReadResult::Status::ok);
    EXPECT_EQ(onDisk.dict, PerferenceInfo::defaultDictionary());
    const std::vector<std::string> order = {"audio",
                                            "file",
                                            "other",
                                            "video",
                                            "photo",
                                            "maxFileSize",
                                            "maxSelect",
                                            "maxSizeType",
                                            "minFileSize",
                                            "minSelect",
                                            "minSizeType",
                                            "whiteListPath",
                                            "DupImagesWhiteListPath",
                                            "LargeFileWhiteListPath",
                                            "hiddenFile",
                                            "zeroByteFile",
                                            "threshold",
                                            "similarImageMaxFileSize",
                                            "similarImageMaxSelect",
                                            "similarImageMaxSizeType",
                                            "similarImageMinFileSize",
                                            "similarImageMinSelect",
                                            "similarImageMinSizeType",
                                            "autoStartup"};
    EXPECT_EQ(onDisk.dict.keys(), order);

    // A fresh install scans every kind, leaves out hidden and empty files, has no bounds.
    EXPECT_TRUE(info.omitVideo && info.omitAudio && info.omitPicture && info.omitDocument &&
                info.omitOther);
    EXPECT_TRUE(info.omitHidden);
    EXPECT_TRUE(info.omitZeroByte);
    EXPECT_FALSE(info.maxSize);
    EXPECT_FALSE(info.minSize);
    EXPECT_FALSE(info.enableMaxSize);
    EXPECT_EQ(info.threshold, 85);
    EXPECT_TRUE(info.autoStartup);
    EXPECT_TRUE(info.whiteListPath.empty());
    EXPECT_FALSE(info.unreadable);
}

TEST(PerferenceInfo, ReadsEveryStoredValue) {
    TempTree t;
    Dictionary d = PerferenceInfo::defaultDictionary();
    d.set("video", false);
    d.set("photo", false);
    d.set("hiddenFile", false);
    d.set("zeroByteFile", false);
    d.set("maxSelect", true);
    d.set("maxFileSize", "5");
    d.set("maxSizeType", "GB");
    d.set("minSelect", true);
    d.set("minFileSize", "5");
    d.set("minSizeType", "KB");
    d.set("whiteListPath", PlistValue::stringArray({"/a", "/b c"}));
    d.set("DupImagesWhiteListPath", PlistValue::stringArray({"/p"}));
    d.set("LargeFileWhiteListPath", PlistValue::stringArray({"/l"}));
    d.set("threshold", "55");
    d.set("similarImageMaxSelect", true);
    d.set("similarImageMaxFileSize", "12");
    d.set("similarImageMaxSizeType", "MB");
    d.set("similarImageMinFileSize", "7");
    d.set("similarImageMinSizeType", "unknown unit");
    d.set("autoStartup", false);
    const PerferenceInfo info = snapshotOf(t, d);

    EXPECT_FALSE(info.omitVideo);
    EXPECT_FALSE(info.omitPicture);
    EXPECT_TRUE(info.omitAudio);
    EXPECT_FALSE(info.omitHidden);
    EXPECT_FALSE(info.omitZeroByte);
    EXPECT_TRUE(info.enableMaxSize && info.maxSelectState);
    EXPECT_EQ(info.maxSize, 5'000'000'000);
    EXPECT_EQ(info.minSize, 5'000);
    EXPECT_EQ(info.localMaxFileSize, "5");
    EXPECT_EQ(info.maxByteType, "GB");
    EXPECT_EQ(info.whiteListPath, (std::vector<std::string>{"/a", "/b c"}));
    EXPECT_EQ(info.localWhiteList, info.whiteListPath);
    EXPECT_EQ(info.dupImagesWhiteListPath, (std::vector<std::string>{"/p"}));
    EXPECT_EQ(info.largeFileWhiteListPath, (std::vector<std::string>{"/l"}));
    EXPECT_EQ(info.threshold, 55);
    EXPECT_TRUE(info.similarImageEnableMaxSize);
    EXPECT_FALSE(info.similarImageEnableMinSize);
    EXPECT_EQ(info.similarImageMaxSize, 12'000'000);
    EXPECT_EQ(info.similarImageMinSize, 7'000);  // any other unit text counts as KB
    EXPECT_FALSE(info.autoStartup);
    EXPECT_EQ(info.dataDict, d);
}

TEST(PerferenceInfo, WrongTypesAndMissingKeysTakeTheFallbacks) {
    TempTree t;
    Dictionary d;
    d.set("video", "false");  // a string is not a Bool
    d.set("hiddenFile", 0);   // nor is an integer
    d.set("maxSelect", "yes");
    d.set("maxFileSize", 5);  // typed sizes are text
    d.set("maxSizeType", true);
    d.set("threshold", 55);  // stored as text, so an integer is not used
    d.set("whiteListPath", "/not/a/list");
    d.set("autoStartup", 1.0);
    const PerferenceInfo info = snapshotOf(t, d);
    EXPECT_TRUE(info.omitVideo);
    EXPECT_TRUE(info.omitHidden);
    EXPECT_FALSE(info.enableMaxSize);
    EXPECT_FALSE(info.maxSize);
    EXPECT_EQ(info.maxByteType, "MB");
    EXPECT_EQ(info.threshold, 85);
    EXPECT_TRUE(info.whiteListPath.empty());
    EXPECT_TRUE(info.autoStartup);
    EXPECT_FALSE(info.unreadable);
}

TEST(PerferenceInfo, TypedBoundsFollowTheUnitAndTextRules) {
    TempTree t;
    Dictionary d;
    d.set("maxSelect", true);
    d.set("maxFileSize", "");     // empty: no upper bound even with the switch on
    d.set("minFileSize", "abc");  // not a number: a bound of 0 that excludes nothing
    d.set("threshold", "abc");
    const PerferenceInfo info = snapshotOf(t, d);
    EXPECT_TRUE(info.enableMaxSize);
    EXPECT_FALSE(info.maxSize);
    EXPECT_EQ(info.minSize, 0);
    EXPECT_EQ(info.threshold, 85);

    EXPECT_EQ(PerferenceInfo::byteBound("5", "GB"), 5'000'000'000);
    EXPECT_EQ(PerferenceInfo::byteBound("5", "MB"), 5'000'000);
    EXPECT_EQ(PerferenceInfo::byteBound("5", "KB"), 5'000);
    EXPECT_EQ(PerferenceInfo::byteBound("5", "kb"), 5'000);
    EXPECT_EQ(PerferenceInfo::byteBound("999", "GB"), 999'000'000'000);
    EXPECT_EQ(PerferenceInfo::byteBound(" 5", "MB"), 0);
    EXPECT_EQ(PerferenceInfo::byteBound("5.5", "MB"), 0);
    EXPECT_FALSE(PerferenceInfo::byteBound("", "GB"));
    // Far too large to be a number of gigabytes: saturates instead of wrapping negative.
    EXPECT_EQ(PerferenceInfo::byteBound("9223372036854775807", "GB"),
              std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(PerferenceInfo::byteBound("99999999999999999999", "GB"), 0);
}

TEST(PerferenceInfo, IntegerTextIsParsedStrictly) {
    EXPECT_EQ(PerferenceInfo::parseInteger("85"), 85);
    EXPECT_EQ(PerferenceInfo::parseInteger("+7"), 7);
    EXPECT_EQ(PerferenceInfo::parseInteger("-7"), -7);
    EXPECT_EQ(PerferenceInfo::parseInteger("007"), 7);
    EXPECT_EQ(PerferenceInfo::parseInteger("-9223372036854775808"),
              std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(PerferenceInfo::parseInteger("9223372036854775807"),
              std::numeric_limits<std::int64_t>::max());
    for (const char* bad : {"", "+", "-", " 1", "1 ", "1e3", "0x10", "9223372036854775808", "٣"})
        EXPECT_FALSE(PerferenceInfo::parseInteger(bad)) << bad;
}

TEST(PerferenceInfo, DamagedFileGivesFallbacksAndIsLeftUntouched) {
    TempTree t;
    const std::string path = t.path("PreferenceInfo.plist");
    std::string xml = toXmlPlist(PerferenceInfo::defaultDictionary());
    xml.resize(xml.size() / 3);  // a write cut short
    t.file("PreferenceInfo.plist", xml);

    const PerferenceInfo info(path);
    EXPECT_TRUE(info.unreadable);
    EXPECT_FALSE(info.readError.empty());
    EXPECT_TRUE(info.dataDict.empty());
    EXPECT_EQ(info.threshold, 85);
    EXPECT_TRUE(info.omitHidden);
    EXPECT_EQ(t.read("PreferenceInfo.plist"), xml);
    // Reading again does not "repair" it either: only a save replaces it.
    PerferenceInfo again(path);
    EXPECT_EQ(t.read("PreferenceInfo.plist"), xml);
    EXPECT_FALSE(t.exists("PreferenceInfo.plist.corrupt"));
}

TEST(PerferenceInfo, DeletingTheFileResetsEverythingAtTheNextRead) {
    TempTree t;
    Dictionary d = PerferenceInfo::defaultDictionary();
    d.set("threshold", "40");
    d.set("video", false);
    snapshotOf(t, d);
    std::filesystem::remove(t.path("PreferenceInfo.plist"));
    const PerferenceInfo info(t.path("PreferenceInfo.plist"));
    EXPECT_EQ(info.threshold, 85);
    EXPECT_TRUE(info.omitVideo);
    EXPECT_EQ(readPlistFile(info.path).dict, PerferenceInfo::defaultDictionary());
}

TEST(SetPerenceInfo, SavesAtomicallyAndHandsAFreshSnapshotToObservers) {
    TempTree t;
    const std::string path = t.path("support/PreferenceInfo.plist");
    PerferenceInfo first(path);

    std::vector<std::int64_t> seen;
    const auto token = PreferenceObservers::add(
        [&seen](std::shared_ptr<const PerferenceInfo> s) { seen.push_back(s->threshold); });
    Dictionary edited = first.dataDict;
    edited.set("threshold", "60");
    const SaveResult saved = setPerenceInfo(edited, path);
    ASSERT_TRUE(saved.ok) << saved.error;
    ASSERT_TRUE(saved.snapshot);
    EXPECT_EQ(saved.snapshot->threshold, 60);
    EXPECT_EQ(first.threshold, 85);  // an older snapshot never changes under its reader
    EXPECT_EQ(seen, (std::vector<std::int64_t>{60}));
    EXPECT_EQ(PerferenceInfo(path).threshold, 60);

    PreferenceObservers::remove(token);
    edited.set("threshold", "70");
    ASSERT_TRUE(setPerenceInfo(edited, path).ok);
    EXPECT_EQ(seen.size(), 1u);
}

TEST(SetPerenceInfo, ReplacingADamagedFileKeepsACopyOfIt) {
    TempTree t;
    const std::string path = t.path("PreferenceInfo.plist");
    t.file("PreferenceInfo.plist", "<plist><dict><key>video</key><fal");
    const PerferenceInfo info(path);
    ASSERT_TRUE(info.unreadable);
    Dictionary d = info.dic;
    d.set("video", false);
    ASSERT_TRUE(setPerenceInfo(d, path).ok);
    EXPECT_EQ(t.read("PreferenceInfo.plist.corrupt"), "<plist><dict><key>video</key><fal");
    EXPECT_FALSE(PerferenceInfo(path).omitVideo);
}

TEST(SetPerenceInfo, FailureLeavesTheOldFileAndNotifiesNobody) {
    TempTree t;
    t.file("blocker", "x");
    int calls = 0;
    const auto token = PreferenceObservers::add([&calls](auto) { ++calls; });
    const SaveResult r =
        setPerenceInfo(PerferenceInfo::defaultDictionary(), t.path("blocker/PreferenceInfo.plist"));
    PreferenceObservers::remove(token);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_FALSE(r.snapshot);
    EXPECT_EQ(calls, 0);
}
