#include <gtest/gtest.h>

#include <filesystem>

#include "core/settings/PlistFile.h"
#include "core/settings/PlistValue.h"
#include "support/TempTree.h"

using namespace orvane::settings;
using orvane::testing::TempTree;

namespace {

Dictionary sample() {
    Dictionary inner;
    inner.set("z", 1);
    inner.set("a", "deep");
    Dictionary d;
    d.set("zeta", true);
    d.set("alpha", std::int64_t{-42});
    d.set("big", std::int64_t{9'000'000'000'000});
    d.set("real", 2.5);
    d.set("text", "a <b> & \"c\"");
    d.set("empty", "");
    d.set("list", Array{PlistValue("x"), PlistValue(3), PlistValue(false)});
    d.set("nested", inner);
    return d;
}

}  // namespace

TEST(PlistValue, DictionaryKeepsInsertionOrderAndReplacesInPlace) {
    Dictionary d;
    d.set("b", 1);
    d.set("a", 2);
    d.set("c", 3);
    d.set("a", "changed");
    ASSERT_EQ(d.keys(), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(d.stringValue("a"), "changed");
    EXPECT_FALSE(d.intValue("a"));  // a value of another type is not an integer
    EXPECT_TRUE(d.erase("b"));
    EXPECT_FALSE(d.erase("b"));
    EXPECT_EQ(d.keys(), (std::vector<std::string>{"a", "c"}));
}

TEST(PlistValue, StringArrayPassesOverMembersOfOtherTypes) {
    Dictionary d;
    d.set("l", Array{PlistValue("/a"), PlistValue(1), PlistValue("/b")});
    d.set("s", "not a list");
    EXPECT_EQ(d.stringArray("l"), (std::vector<std::string>{"/a", "/b"}));
    EXPECT_FALSE(d.stringArray("s"));
    EXPECT_FALSE(d.stringArray("missing"));
}

TEST(PlistValue, XmlRoundTripKeepsTypesOrderAndSigns) {
    const Dictionary d = sample();
    const std::string xml = toXmlPlist(d);
    EXPECT_NE(xml.find("<key>zeta</key>"), std::string::npos);
    EXPECT_LT(xml.find("<key>zeta</key>"), xml.find("<key>alpha</key>"));
    auto back = parsePlist(xml);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, d);
    EXPECT_EQ(back->intValue("alpha"), -42);
}

TEST(PlistValue, PathBytesThatAreNotUtf8SurviveTheRoundTrip) {
    Dictionary d;
    const std::string odd = std::string("/home/u/caf") + '\xe9' + "/x";
    d.set("whiteListPath", PlistValue::stringArray({odd, "/plain"}));
    auto back = parsePlist(toXmlPlist(d));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->stringArray("whiteListPath"), (std::vector<std::string>{odd, "/plain"}));
}

TEST(PlistValue, RejectsAnythingThatIsNotADictionaryPlist) {
    const std::string xml = toXmlPlist(sample());
    EXPECT_FALSE(parsePlist(""));
    EXPECT_FALSE(parsePlist("hello, world"));
    EXPECT_FALSE(parsePlist(xml.substr(0, xml.size() / 2)));
    EXPECT_FALSE(parsePlist(std::string(4096, '\0')));
    EXPECT_FALSE(
        parsePlist("<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>x"
                   "</string></array></plist>"));
    EXPECT_FALSE(parsePlist("bplist00garbage"));
}

TEST(PlistValue, HostileNestingIsRefusedNotACrash) {
    auto nested = [](int levels) {
        std::string s = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key>";
        for (int i = 0; i < levels; ++i) s += "<array>";
        s += "<array/><string>x</string>";
        for (int i = 0; i < levels; ++i) s += "</array>";
        return s + "</dict></plist>";
    };
    EXPECT_TRUE(parsePlist(nested(20)));
    EXPECT_FALSE(parsePlist(nested(1'000'000)));
}

TEST(PlistFile, ReportsMissingUnreadableAndOk) {
    TempTree t;
    EXPECT_EQ(readPlistFile(t.path("none.plist")).status, PlistReadResult::Status::missing);
    t.file("bad.plist", "<?xml version=\"1.0\"?><plist><dict><key>a</key>");
    const auto bad = readPlistFile(t.path("bad.plist"));
    EXPECT_EQ(bad.status, PlistReadResult::Status::unreadable);
    EXPECT_FALSE(bad.error.empty());
    t.dir("folder.plist");
    EXPECT_EQ(readPlistFile(t.path("folder.plist")).status, PlistReadResult::Status::unreadable);
    t.file("good.plist", toXmlPlist(sample()));
    const auto good = readPlistFile(t.path("good.plist"));
    ASSERT_EQ(good.status, PlistReadResult::Status::ok);
    EXPECT_EQ(good.dict, sample());
}

TEST(PlistFile, AtomicWriteReplacesWholeFileAndLeavesNoTemporaries) {
    TempTree t;
    const std::string path = t.path("deep/folder/s.plist");
    std::string error;
    ASSERT_TRUE(writePlistFileAtomic(path, sample(), &error)) << error;
    Dictionary small;
    small.set("only", true);
    ASSERT_TRUE(writePlistFileAtomic(path, small, &error)) << error;
    EXPECT_EQ(readPlistFile(path).dict, small);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e :
         std::filesystem::directory_iterator(t.path("deep/folder")))
        ++entries;
    EXPECT_EQ(entries, 1u);
}

TEST(PlistFile, FailedWriteSaysWhyAndKeepsNothingHalfDone) {
    TempTree t;
    t.file("blocker", "a file where a folder should be");
    std::string error;
    EXPECT_FALSE(writePlistFileAtomic(t.path("blocker/s.plist"), sample(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(t.read("blocker"), "a file where a folder should be");
}
