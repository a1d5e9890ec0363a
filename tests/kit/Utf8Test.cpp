// Names are bytes; what the program prints as JSON must still be valid UTF-8, and every byte
// must be recoverable from it.
#include <gtest/gtest.h>

#include <string>

#include "kit/JsonText.h"
#include "kit/Paths.h"

using namespace orvane::kit;

TEST(Utf8, SequencesStrictDecodersRefuseAreEscapedByteByByte) {
    struct Case {
        std::string bytes, json;
    };
    for (const Case& c : {
             Case{"\xC0\xAF", "\\udcc0\\udcaf"},                        // overlong '/'
             Case{"\xC1\xBF", "\\udcc1\\udcbf"},                        // overlong
             Case{"\xE0\x80\xAF", "\\udce0\\udc80\\udcaf"},             // overlong, three bytes
             Case{"\xF0\x80\x80\xAF", "\\udcf0\\udc80\\udc80\\udcaf"},  // overlong, four bytes
             Case{"\xED\xA0\x80", "\\udced\\udca0\\udc80"},             // surrogate U+D800
             Case{"\xED\xBF\xBF", "\\udced\\udcbf\\udcbf"},             // surrogate U+DFFF
             Case{"\xF4\x90\x80\x80", "\\udcf4\\udc90\\udc80\\udc80"},  // U+110000
             Case{"\xF5\x80\x80\x80", "\\udcf5\\udc80\\udc80\\udc80"},  // no such lead byte
             Case{"\xE2\x82", "\\udce2\\udc82"},                        // cut short
         }) {
        const std::string out = jsonString("a" + c.bytes + "z");
        EXPECT_EQ(out, "\"a" + c.json + "z\"") << c.json;
        EXPECT_TRUE(isValidUtf8(out));
        EXPECT_FALSE(isValidUtf8(c.bytes));
        EXPECT_EQ(displayPath(c.bytes).find(c.bytes), std::string::npos);
    }
}

TEST(Utf8, TheEdgesOfValidTextPassUnchanged) {
    for (const std::string& valid : {
             std::string("\x7F"), std::string("\xC2\x80"), std::string("\xDF\xBF"),
             std::string("\xE0\xA0\x80"), std::string("\xED\x9F\xBF"),          // U+0800, U+D7FF
             std::string("\xEE\x80\x80"), std::string("\xEF\xBF\xBF"),          // U+E000, U+FFFF
             std::string("\xF0\x90\x80\x80"), std::string("\xF4\x8F\xBF\xBF"),  // U+10000, U+10FFFF
         }) {
        EXPECT_TRUE(isValidUtf8(valid));
        EXPECT_EQ(jsonString(valid), "\"" + valid + "\"");
        EXPECT_EQ(displayPath(valid), valid);
    }
}
