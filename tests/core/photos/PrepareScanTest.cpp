#include "PhotoFixture.h"

using namespace orvane::photos;
using namespace orvane::photos::testing;
using orvane::settings::Dictionary;
using orvane::settings::PlistValue;

namespace {

std::vector<std::string> merged(std::vector<std::string> folders, ScanImagesManager& m) {
    m.prepareEngineInputs(folders);
    return m.scanFolderList();
}

}  // namespace

TEST_F(PhotoTest, RootsMergeByContainmentInEitherOrder) {
    ScanImagesManager m(environment());
    EXPECT_EQ(merged({"/a/b", "/a"}, m), (std::vector<std::string>{"/a"}));
    EXPECT_EQ(merged({"/a", "/a/b"}, m), (std::vector<std::string>{"/a"}));
    EXPECT_EQ(merged({"/a", "/c", "/a/b/c"}, m), (std::vector<std::string>{"/a", "/c"}));
    // Several entries inside the new folder collapse into it.
    EXPECT_EQ(merged({"/x/1", "/x/2", "/x"}, m), (std::vector<std::string>{"/x"}));
    // The same folder twice stays once.
    EXPECT_EQ(merged({"/a", "/a"}, m), (std::vector<std::string>{"/a"}));
    // A text test, not a path test: "/ab" counts as holding "/a".
    EXPECT_EQ(merged({"/ab", "/a"}, m), (std::vector<std::string>{"/a"}));
}

TEST_F(PhotoTest, WholeDiskAndUsersMeanTheHomeFolderAndEveryPathEndsInASlash) {
    ScanImagesManager m(environment());
    auto in = m.prepareEngineInputs({"/"});
    EXPECT_EQ(in.paths, (std::vector<std::string>{home.home() + "/"}));
    in = m.prepareEngineInputs({"/Users"});
    EXPECT_EQ(in.paths, (std::vector<std::string>{home.home() + "/"}));
    in = m.prepareEngineInputs({"/data/pics", "/other"});
    EXPECT_EQ(in.paths, (std::vector<std::string>{"/data/pics/", "/other/"}));
}

TEST_F(PhotoTest, ThresholdDefaultsAndIsClampedToTheEngineRange) {
    Dictionary d;
    EXPECT_EQ(ScanImagesManager::clampedThreshold(d), 85);
    d.set("threshold", PlistValue(10));
    EXPECT_EQ(ScanImagesManager::clampedThreshold(d), 20);
    d.set("threshold", PlistValue(150));
    EXPECT_EQ(ScanImagesManager::clampedThreshold(d), 100);
    d.set("threshold", PlistValue(60.5));
    EXPECT_EQ(ScanImagesManager::clampedThreshold(d), 60.5);
    d.set("threshold", PlistValue("90"));  // wrong type: the default
    EXPECT_EQ(ScanImagesManager::clampedThreshold(d), 85);
}

TEST_F(PhotoTest, SizeBoundsUseDecimalUnitsAndAnyOtherTypeCountsAsGigabytes) {
    Dictionary d;
    EXPECT_EQ(ScanImagesManager::getFileSize(d, "v", "t"), 0);
    d.set("v", PlistValue(5));
    d.set("t", PlistValue("MB"));
    EXPECT_EQ(ScanImagesManager::getFileSize(d, "v", "t"), 5'000'000);
    d.set("t", PlistValue("KB"));
    EXPECT_EQ(ScanImagesManager::getFileSize(d, "v", "t"), 5'000);
    d.set("v", PlistValue(1));
    d.set("t", PlistValue("GB"));
    EXPECT_EQ(ScanImagesManager::getFileSize(d, "v", "t"), 1'000'000'000);
    d.set("t", PlistValue("TB"));
    EXPECT_EQ(ScanImagesManager::getFileSize(d, "v", "t"), 1'000'000'000);
    d.set("v", PlistValue("7"));  // the preferences window stores the typed text
    d.set("t", PlistValue("KB"));
    EXPECT_EQ(ScanImagesManager::getFileSize(d, "v", "t"), 7'000);
}

TEST_F(PhotoTest, PreferencesFillTheEngineInputs) {
    Dictionary d;
    d.set("similarImageMaxSelect", PlistValue(true));
    d.set("similarImageMaxFileSize", PlistValue("5"));
    d.set("similarImageMaxSizeType", PlistValue("MB"));
    d.set("similarImageMinSelect", PlistValue(false));
    d.set("similarImageMinFileSize", PlistValue("1"));
    d.set("similarImageMinSizeType", PlistValue("KB"));
    d.set("threshold", PlistValue(70));
    d.set("hiddenFile", PlistValue(true));
    d.set("DupImagesWhiteListPath", PlistValue::stringArray({"/w1", "/w2"}));
    writePreferences(d);
    ScanImagesManager m(environment());
    const auto in = m.prepareEngineInputs({"/p"});
    EXPECT_EQ(in.maxFileSize, 5'000'000);
    EXPECT_EQ(in.minFileSize, 0);  // not selected
    EXPECT_EQ(in.threshold, 70);
    EXPECT_TRUE(in.hiddenFile);
    EXPECT_EQ(in.whiteList, (std::vector<std::string>{"/w1/", "/w2/"}));
    EXPECT_EQ(in.paths, (std::vector<std::string>{"/p/", "/w1/", "/w2/"}));

    // Bounds beyond the record's 32 bits: no maximum, the largest minimum.
    d.set("similarImageMaxFileSize", PlistValue("3"));
    d.set("similarImageMaxSizeType", PlistValue("GB"));
    d.set("similarImageMinSelect", PlistValue(true));
    d.set("similarImageMinFileSize", PlistValue("4"));
    d.set("similarImageMinSizeType", PlistValue("GB"));
    writePreferences(d);
    const auto big = m.prepareEngineInputs({"/p"});
    EXPECT_EQ(big.maxFileSize, 0);
    EXPECT_EQ(big.minFileSize, INT32_MAX);
}

TEST_F(PhotoTest, ADamagedPreferencesFileGivesTheDefaults) {
    tree.file("prefs/PreferenceInfo.plist", "<plist><dict><key>threshold</key><integer>3");
    ScanImagesManager m(environment());
    const auto in = m.prepareEngineInputs({"/p"});
    EXPECT_EQ(in.threshold, 85);
    EXPECT_EQ(in.maxFileSize, 0);
    EXPECT_FALSE(in.hiddenFile);
}
