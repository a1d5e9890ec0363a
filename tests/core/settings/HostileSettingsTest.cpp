// Settings files a hostile user (or a broken sync tool) can put in place: each must be refused
// with a reason, quickly, without a crash, a hang or gigabytes of memory.
#include <gtest/gtest.h>
#include <plist/plist.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/settings/PerferenceInfo.h"
#include "core/settings/PlistBounds.h"
#include "core/settings/PlistFile.h"
#include "core/settings/PlistValue.h"
#include "support/TempTree.h"

using namespace orvane::settings;
using orvane::testing::TempTree;

namespace {

const std::string kHead = "<?xml version=\"1.0\"?><plist version=\"1.0\">";

// A binary property list from encoded objects (one-byte references, two-byte offsets).
std::string bplist(const std::vector<std::string>& objects, std::uint8_t top = 0) {
    std::string out = "bplist00";
    std::vector<std::size_t> offsets;
    for (const std::string& o : objects) {
        offsets.push_back(out.size());
        out += o;
    }
    const std::size_t table = out.size();
    for (std::size_t off : offsets) {
        out.push_back(static_cast<char>(off >> 8));
        out.push_back(static_cast<char>(off & 0xFF));
    }
    auto be64 = [&](std::uint64_t v) {
        for (int i = 7; i >= 0; --i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    out += std::string(6, '\0');
    out.push_back(2);  // offset size
    out.push_back(1);  // reference size
    be64(objects.size());
    be64(top);
    be64(table);
    return out;
}

std::string ascii(const std::string& s) {
    return std::string(1, static_cast<char>(0x50 | s.size())) + s;
}
std::string array(std::vector<std::uint8_t> refs) {
    std::string o(1, static_cast<char>(0xA0 | refs.size()));
    for (auto r : refs) o.push_back(static_cast<char>(r));
    return o;
}
std::string dict1(std::uint8_t key, std::uint8_t value) {
    return std::string{static_cast<char>(0xD1), static_cast<char>(key), static_cast<char>(value)};
}

std::string libplistBinary(const Dictionary& d) {
    plist_t root = nullptr;
    const std::string xml = toXmlPlist(d);
    plist_from_xml(xml.c_str(), static_cast<std::uint32_t>(xml.size()), &root);
    char* bin = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root, &bin, &length);
    std::string out(bin, length);
    plist_to_bin_free(bin);
    plist_free(root);
    return out;
}

}  // namespace

TEST(HostileSettings, NestingHiddenBehindACommentOfClosingTagsIsMeasuredForReal) {
    // Closing tags inside a comment are no closing tags: the nesting after it is what counts.
    std::string s = kHead + "<!--";
    for (int i = 0; i < 200'000; ++i) s += "</dict>";
    s += "--><dict>";
    for (int i = 0; i < 200'000; ++i) s += "<key>k</key><dict>";
    for (int i = 0; i < 200'000; ++i) s += "</dict>";
    s += "</dict></plist>";
    std::string why;
    EXPECT_FALSE(parsePlist(s, &why));
    EXPECT_NE(why.find("nested deeper"), std::string::npos) << why;

    // The same markup inside CDATA, a processing instruction or a quoted doctype is text.
    const std::string tame = kHead +
                             "<?pi <dict><dict> ?><!-- <dict><dict> --><dict><key>a</key>"
                             "<string><![CDATA[<dict><dict>]]></string></dict></plist>";
    const PlistShape shape = plistShape(tame);
    EXPECT_FALSE(shape.problem) << *shape.problem;
    EXPECT_EQ(shape.depth, 3);  // plist > dict > string
    EXPECT_EQ(shape.nodes, 4u);
}

TEST(HostileSettings, MarkupOnlyALenientReaderWouldMisreadIsRefused) {
    for (const std::string& bad : {
             kHead + "<dict a=\"><dict>\"></dict></plist>",  // '>' in a quoted value
             kHead + "<dict><key>a</key><string>1 < 2</string></dict></plist>",  // stray '<'
             "<!DOCTYPE plist [<!ENTITY e \"<dict>\">]>" + kHead + "<dict/></plist>",
             kHead + "<dict><key>a</key><string>x</array></dict></plist>",  // mismatched end
             kHead + "<dict><key>a</key><string>x&#0;y</string></dict></plist>",
             kHead + "<dict><key>a</key><string>x" + std::string(1, '\0') +
                 "</string></dict></plist>",
             kHead + "<dict><key>a</key><string>x</string>",  // truncated
         }) {
        std::string why;
        EXPECT_FALSE(parsePlist(bad, &why)) << bad;
        EXPECT_FALSE(why.empty());
    }
}

TEST(HostileSettings, BinaryObjectsSharedManyTimesAreRefusedBeforeTheyUnfold) {
    // Each level is a 14-element array naming the next level 14 times: 14^8 nodes from 150 bytes.
    std::vector<std::string> objects{dict1(1, 2), ascii("k")};
    for (std::uint8_t level = 0; level < 8; ++level)
        objects.push_back(
            array(std::vector<std::uint8_t>(14, static_cast<std::uint8_t>(3 + level))));
    objects.push_back(ascii("x"));
    const std::string bomb = bplist(objects);
    ASSERT_LT(bomb.size(), 250u);
    const auto start = std::chrono::steady_clock::now();
    std::string why;
    EXPECT_FALSE(parsePlist(bomb, &why));
    EXPECT_NE(why.find("unfolded"), std::string::npos) << why;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

    // A shared object counted once per use still passes when the total is small.
    const std::string shared = bplist({dict1(1, 2), ascii("k"), array({3, 3, 3}), ascii("x")});
    auto ok = parsePlist(shared, &why);
    ASSERT_TRUE(ok) << why;
    EXPECT_EQ(ok->find("k")->asArray().size(), 3u);
    EXPECT_EQ(plistShape(shared).nodes, 6u);  // dict, key, array, three strings
}

TEST(HostileSettings, DamagedBinaryListsAreRefusedWithAReason) {
    for (const std::string& bad : {
             bplist({dict1(1, 2), ascii("k"), array({2})}),  // contains itself
             bplist({dict1(1, 2), ascii("k"), array({9})}),  // names an object not there
             bplist({dict1(1, 2), ascii("k"), std::string("\x52x\0", 3)}),  // NUL in a string
             bplist({dict1(1, 2), ascii("k"), ascii("x")}).substr(0, 30),   // truncated
             std::string("bplist00") + std::string(40, '\xff'),             // trailer out of range
         }) {
        std::string why;
        EXPECT_FALSE(parsePlist(bad, &why));
        EXPECT_FALSE(why.empty());
    }
    // What another tool writes in binary is still read.
    Dictionary d;
    d.set("whiteListPath", PlistValue::stringArray({"/home/u/keep"}));
    d.set("hiddenFile", false);
    std::string why;
    auto back = parsePlist(libplistBinary(d), &why);
    ASSERT_TRUE(back) << why;
    EXPECT_EQ(*back, d);
}

TEST(HostileSettings, WhatTheProgramSavesItCanAlwaysReadBack) {
    // Newlines, control characters and bytes that are not UTF-8 are legal in file names.
    Dictionary d;
    d.set("whiteListPath",
          PlistValue::stringArray({"/tmp/a\nb", "/tmp/\x01\x7f", "/tmp/\xff\xfe"}));
    std::string why;
    auto back = parsePlist(toXmlPlist(d), &why);
    ASSERT_TRUE(back) << why;
    EXPECT_EQ(back->stringArray("whiteListPath")->size(), 3u);
}

TEST(HostileSettings, ASettingsFileThatIsAPipeOrHugeIsRefusedAtOnce) {
    TempTree t;
    const std::string fifo = t.path("PreferenceInfo.plist");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    const PlistReadResult r = readPlistFile(fifo);  // no writer: a blocking open would wait forever
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(r.status, PlistReadResult::Status::unreadable);
    EXPECT_NE(r.error.find("not a regular file"), std::string::npos) << r.error;

    const PerferenceInfo info(fifo);
    EXPECT_TRUE(info.unreadable);
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));  // left as it is, not replaced by defaults

    t.sparseFile("huge.plist", 64ull << 20);
    const PlistReadResult huge = readPlistFile(t.path("huge.plist"));
    EXPECT_EQ(huge.status, PlistReadResult::Status::unreadable);
    EXPECT_NE(huge.error.find("too large"), std::string::npos) << huge.error;
}
