// Names are bytes; what the program prints as JSON must still be valid UTF-8, and every byte
// must be recoverable from it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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

// What reaches a terminal: a hostile name must neither move the cursor nor pass for two lines,
// and the quoted form must still give the real bytes back when a shell reads it.
TEST(TerminalText, HostileNamesAreQuotedSoAShellReadsBackTheRealBytes) {
    for (const std::string& name : {
             std::string("two\nlines"), std::string("red\x1b[31mtext"), std::string("bell\a"),
             std::string("csi\xC2\x9B"
                         "2J"),
             std::string("bad\xFF"
                         "byte"),
             std::string("tab\tand 'quote' and \\back"), std::string("del\x7F"),
             std::string("ends in escape\x1b"), std::string("\xE2\x82"),  // cut short
         }) {
        const std::string quoted = terminalPath(name);
        EXPECT_TRUE(quoted.starts_with("$'") && quoted.ends_with("'")) << quoted;
        EXPECT_TRUE(isValidUtf8(quoted)) << quoted;
        for (char c : quoted)
            EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F) << quoted;
        EXPECT_EQ(quoted.find("\xC2\x9B"), std::string::npos);

        // The shell reads the quoted name from a script file, as from a pasted line.
        char script[] = "/tmp/orvane-quoted-XXXXXX";
        const int fd = ::mkstemp(script);
        ASSERT_GE(fd, 0);
        const std::string command = "printf %s " + quoted + "\n";
        ASSERT_EQ(::write(fd, command.data(), command.size()),
                  static_cast<ssize_t>(command.size()));
        ::close(fd);
        FILE* shell = ::popen((std::string("bash ") + script).c_str(), "r");
        ASSERT_NE(shell, nullptr);
        std::string back;
        char buffer[256];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, shell)) > 0;)
            back.append(buffer, n);
        EXPECT_EQ(::pclose(shell), 0);
        ::unlink(script);
        EXPECT_EQ(back, name) << quoted;
    }
}

TEST(TerminalText, OrdinaryNamesPassUnchanged) {
    for (const std::string& name :
         {std::string("/home/ana/Photos/été 2024/IMG_0001.jpg"), std::string("日本語.txt"),
          std::string("it's a \"name\" with \\ and $"), std::string("")})
        EXPECT_EQ(terminalPath(name), name);
}

TEST(TerminalText, ElisionKeepsBothEndsAndNeverSplitsACharacter) {
    const std::string path = "/home/ana/Документы/отчёт за год/финальная версия.odt";
    const std::size_t length = codePointCount(path);
    EXPECT_EQ(elideMiddle(path, length), path);
    EXPECT_EQ(elideMiddle(path, 0), "");
    for (std::size_t columns = 1; columns < length; ++columns) {
        const std::string cut = elideMiddle(path, columns);
        EXPECT_TRUE(isValidUtf8(cut)) << columns;
        EXPECT_EQ(codePointCount(cut), columns) << cut;
        EXPECT_NE(cut.find("\xE2\x80\xA6"), std::string::npos) << cut;
    }
    const std::string cut = elideMiddle(path, 30);
    EXPECT_TRUE(cut.starts_with("/home/ana/")) << cut;
    EXPECT_TRUE(cut.ends_with("версия.odt")) << cut;
}
