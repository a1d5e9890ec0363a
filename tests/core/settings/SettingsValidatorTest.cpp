#include <gtest/gtest.h>

#include "core/settings/PerferenceInfo.h"
#include "core/settings/SettingsValidator.h"

using namespace orvane::settings;
using V = SettingsValidator;

namespace {
const std::string kMaxBelowMin =
    "Maximum value must be greater than or equal to minimum value. Please enter again.";
}

TEST(SettingsValidator, SizeTextIsAtMostThreeDigits) {
    EXPECT_EQ(V::limitSizeText("1234"), "123");
    EXPECT_EQ(V::limitSizeText("12"), "12");
    EXPECT_TRUE(V::checkSizeText(""));
    EXPECT_TRUE(V::checkSizeText("0"));
    EXPECT_TRUE(V::checkSizeText("999"));
    for (const char* bad : {"1234", "1.5", "-1", "+1", "abc", " 12", "1e3"})
        EXPECT_FALSE(V::checkSizeText(bad)) << bad;
    EXPECT_FALSE(V::checkSizeText("abc").message.empty());
}

TEST(SettingsValidator, UnitsAndThreshold) {
    EXPECT_TRUE(V::checkUnit("KB") && V::checkUnit("MB") && V::checkUnit("GB"));
    EXPECT_FALSE(V::checkUnit("TB"));
    EXPECT_FALSE(V::checkUnit("kb"));
    EXPECT_TRUE(V::checkThreshold("20"));
    EXPECT_TRUE(V::checkThreshold("100"));
    for (const char* bad : {"19", "101", "", "abc", "55.5", "-50", "+50"})
        EXPECT_FALSE(V::checkThreshold(bad)) << bad;
}

TEST(SettingsValidator, MaximumBelowMinimumIsRefusedForBothPairsInBytes) {
    for (BoundPair pair : {BoundPair::duplicate, BoundPair::similarImage}) {
        const std::string p = pair == BoundPair::duplicate ? "" : "similarImage";
        auto key = [&p](std::string k) {
            if (p.empty()) return k;
            k[0] = static_cast<char>(std::toupper(k[0]));
            return p + k;
        };
        Dictionary d = PerferenceInfo::defaultDictionary();
        d.set(key("maxFileSize"), "1");
        d.set(key("maxSizeType"), "GB");
        d.set(key("minFileSize"), "999");
        d.set(key("minSizeType"), "MB");
        d.set(key("maxSelect"), true);
        EXPECT_TRUE(V::checkBounds(d, pair)) << "1 GB is above 999 MB";
        d.set(key("maxSizeType"), "MB");
        const Verdict refused = V::checkBounds(d, pair);
        EXPECT_FALSE(refused);
        EXPECT_EQ(refused.message, kMaxBelowMin);
        // Equal is fine; either empty side means no comparison.
        d.set(key("maxFileSize"), "999");
        EXPECT_TRUE(V::checkBounds(d, pair));
        d.set(key("maxFileSize"), "");
        EXPECT_TRUE(V::checkBounds(d, pair));
        // With both switches off nothing is in force yet.
        d.set(key("maxFileSize"), "1");
        d.set(key("maxSelect"), false);
        EXPECT_TRUE(V::checkBounds(d, pair));
        d.set(key("minSelect"), true);
        EXPECT_FALSE(V::checkBounds(d, pair));
    }
}

TEST(SettingsValidator, AtLeastOneFileKindStays) {
    Dictionary d = PerferenceInfo::defaultDictionary();
    for (const char* k : {"video", "audio", "photo", "file"}) d.set(k, false);
    EXPECT_TRUE(V::checkKinds(d));
    d.set("other", false);
    const Verdict v = V::checkKinds(d);
    EXPECT_FALSE(v);
    EXPECT_EQ(v.message, "Please select at least one file type.");
    // A missing key counts as scanned, as the snapshot reads it.
    d.erase("other");
    EXPECT_TRUE(V::checkKinds(d));
}

TEST(SettingsValidator, ApplyTextChangesOnlyWhatPasses) {
    Dictionary d = PerferenceInfo::defaultDictionary();
    EXPECT_TRUE(V::applyText(d, "threshold", {"055"}));
    EXPECT_EQ(d.stringValue("threshold"), "55");
    EXPECT_TRUE(V::applyText(d, "maxSizeType", {"gb"}));
    EXPECT_EQ(d.stringValue("maxSizeType"), "GB");
    EXPECT_TRUE(V::applyText(d, "hiddenFile", {"off"}));
    EXPECT_EQ(d.boolValue("hiddenFile"), false);
    EXPECT_TRUE(V::applyText(d, "whiteListPath", {"/a", "/b"}));
    EXPECT_EQ(d.stringArray("whiteListPath"), (std::vector<std::string>{"/a", "/b"}));
    EXPECT_TRUE(V::applyText(d, "whiteListPath", {}));
    EXPECT_EQ(d.stringArray("whiteListPath"), std::vector<std::string>{});

    const Dictionary before = d;
    EXPECT_FALSE(V::applyText(d, "threshold", {"150"}));
    EXPECT_FALSE(V::applyText(d, "hiddenFile", {"maybe"}));
    EXPECT_FALSE(V::applyText(d, "maxFileSize", {"1234"}));
    EXPECT_FALSE(V::applyText(d, "maxSizeType", {"TB"}));
    EXPECT_FALSE(V::applyText(d, "noSuchKey", {"1"}));
    EXPECT_FALSE(V::applyText(d, "video", {"true", "false"}));
    EXPECT_EQ(d, before);

    // A change that would break the pair rule is refused, the same change with room passes.
    ASSERT_TRUE(V::applyText(d, "minFileSize", {"500"}));
    ASSERT_TRUE(V::applyText(d, "minSelect", {"true"}));
    ASSERT_TRUE(V::applyText(d, "maxFileSize", {"1"}));  // 1 GB, unit set above
    const Verdict v = V::applyText(d, "maxSizeType", {"KB"});
    EXPECT_FALSE(v);
    EXPECT_EQ(v.message, kMaxBelowMin);
    EXPECT_EQ(d.stringValue("maxSizeType"), "GB");

    for (const char* k : {"video", "audio", "photo", "file"})
        ASSERT_TRUE(V::applyText(d, k, {"no"}));
    EXPECT_FALSE(V::applyText(d, "other", {"no"}));
    EXPECT_EQ(d.boolValue("other"), true);
    // An unrelated key still saves although the kinds are at their limit.
    EXPECT_TRUE(V::applyText(d, "zeroByteFile", {"false"}));
}

TEST(SettingsValidator, AddingPathsSkipsThoseAlreadyListed) {
    Dictionary d = PerferenceInfo::defaultDictionary();
    V::addPaths(d, "whiteListPath", {"/a"});
    const auto added = V::addPaths(d, "whiteListPath", {"/a", "/b", "/b"});
    EXPECT_EQ(added, (std::vector<std::string>{"/b"}));
    EXPECT_EQ(d.stringArray("whiteListPath"), (std::vector<std::string>{"/a", "/b"}));
    EXPECT_TRUE(V::removePathAt(d, "whiteListPath", 0));
    EXPECT_TRUE(V::removePathAt(d, "whiteListPath", 0));
    EXPECT_EQ(d.stringArray("whiteListPath"), std::vector<std::string>{});
    EXPECT_FALSE(V::removePathAt(d, "whiteListPath", 0));
}
