// The framing between the program and its helper, and the helper's text checks, fed the names
// and requests that break line- or text-based protocols.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/files/HelperProtocol.h"
#include "helper/HelperPolicy.h"

namespace protocol = orvane::files::helper_protocol;
using orvane::helper::HelperPolicy;

namespace {

std::string payloadOf(const std::string& message) {
    const std::size_t colon = message.find(':');
    return message.substr(colon + 1, message.size() - colon - 2);
}

std::optional<std::vector<std::string>> decode(std::string_view payload) {
    std::string error;
    auto fields = protocol::decodeFields(payload, &error);
    if (!fields) {
        EXPECT_FALSE(error.empty());
    }
    return fields;
}

}  // namespace

TEST(HelperProtocol, NamesWithNewlinesNulAndInvalidUtf8SurviveTheRoundTrip) {
    const std::vector<std::string> fields{"remove", std::string("/var/tmp/a\nb\0c\xff\xfe,9:", 15),
                                          "", "12"};
    const std::string message = protocol::encode(fields);
    EXPECT_EQ(decode(payloadOf(message)), fields);

    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    ASSERT_TRUE(protocol::writeMessage(fds[0], fields));
    ASSERT_TRUE(protocol::writeMessage(fds[0], {"hello"}));
    ::close(fds[0]);
    std::string error;
    EXPECT_EQ(protocol::readMessage(fds[1], &error), fields);
    EXPECT_EQ(protocol::readMessage(fds[1], &error), std::vector<std::string>{"hello"});
    EXPECT_FALSE(protocol::readMessage(fds[1], &error));
    EXPECT_TRUE(error.empty()) << "a clean end is not an error";
    ::close(fds[1]);
}

TEST(HelperProtocol, MalformedOrOversizedInputIsRefusedWithAReason) {
    EXPECT_FALSE(decode("5:hello"));      // no terminator
    EXPECT_FALSE(decode("6:hello,"));     // length beyond the bytes
    EXPECT_FALSE(decode("05:hello,"));    // leading zero
    EXPECT_FALSE(decode("-1:x,"));        // sign
    EXPECT_FALSE(decode("5hello,"));      // no colon
    EXPECT_FALSE(decode("99999999:x,"));  // too many digits
    EXPECT_FALSE(decode("4:hello,"));     // terminator in the wrong place
    EXPECT_EQ(decode(""), std::vector<std::string>{});

    std::string tooMany;
    for (std::size_t i = 0; i <= protocol::kMaxFields; ++i) tooMany += "0:,";
    EXPECT_FALSE(decode(tooMany));

    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    const std::string huge = std::to_string(protocol::kMaxMessage + 1) + ":";
    ASSERT_EQ(::write(fds[0], huge.data(), huge.size()), static_cast<ssize_t>(huge.size()));
    const std::string cut = "10:4:he";
    ::close(fds[0]);
    std::string error;
    EXPECT_FALSE(protocol::readMessage(fds[1], &error));
    EXPECT_FALSE(error.empty()) << "an oversized length is refused before anything is read";
    ::close(fds[1]);

    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    ASSERT_EQ(::write(fds[0], cut.data(), cut.size()), static_cast<ssize_t>(cut.size()));
    ::close(fds[0]);
    EXPECT_FALSE(protocol::readMessage(fds[1], &error));
    EXPECT_EQ(error, "The message ended early.");
    ::close(fds[1]);
}

TEST(HelperProtocol, RequestsAreReadStrictly) {
    using Kind = protocol::HelperRequest::Kind;
    std::string error;
    auto remove = protocol::parseRequest({"remove", "/tmp/x", "2049", "131"}, &error);
    ASSERT_TRUE(remove) << error;
    EXPECT_EQ(remove->kind, Kind::remove);
    EXPECT_EQ(remove->device, 2049u);
    EXPECT_EQ(remove->inode, 131u);
    EXPECT_EQ(protocol::requestFields(*remove),
              (std::vector<std::string>{"remove", "/tmp/x", "2049", "131"}));

    auto plain = protocol::parseRequest({"remove", "/tmp/x"}, &error);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->device);

    EXPECT_FALSE(protocol::parseRequest({}, &error));
    EXPECT_FALSE(protocol::parseRequest({"remove"}, &error));
    EXPECT_FALSE(protocol::parseRequest({"remove", "/tmp/x", "1"}, &error));
    EXPECT_FALSE(protocol::parseRequest({"remove", "/tmp/x", "-1", "2"}, &error));
    EXPECT_FALSE(protocol::parseRequest({"remove", "/tmp/x", "1", "0x2"}, &error));
    EXPECT_FALSE(
        protocol::parseRequest({"remove", "/tmp/x", "1", "99999999999999999999999"}, &error));
    EXPECT_FALSE(protocol::parseRequest({"hello", "again"}, &error));
    EXPECT_FALSE(protocol::parseRequest({"remove-packages"}, &error));
    EXPECT_FALSE(protocol::parseRequest({"run", "/bin/sh"}, &error));
    EXPECT_NE(error.find("only removes"), std::string::npos) << error;

    auto packages = protocol::parseRequest({"remove-packages", "vim", "g++"}, &error);
    ASSERT_TRUE(packages);
    EXPECT_EQ(packages->packages, (std::vector<std::string>{"vim", "g++"}));
}

TEST(HelperPolicy, OnlyPlainAbsolutePathsStrictlyInsideAProtectedLocationPass) {
    const HelperPolicy policy({"/var/cache", "/var/log/", "/tmp", "", "relative", "/"});
    EXPECT_EQ(policy.protectedLocations(),
              (std::vector<std::string>{"/var/cache", "/var/log", "/tmp"}))
        << "an empty, relative or root location would protect everything";

    auto pass = [&](std::string_view p) { return policy.checkPath(p); };
    EXPECT_TRUE(pass("/var/cache/apt/archives/x.deb").ok);
    EXPECT_EQ(pass("//var/cache//apt/").normalized, "/var/cache/apt");
    EXPECT_TRUE(pass("/tmp/name\nwith newline\xff").ok);

    struct Case {
        std::string_view path;
        std::string_view because;
    };
    for (const Case& c :
         {Case{"", "empty"}, Case{"var/cache/x", "not an absolute"},
          Case{"/var/cache/../../etc/passwd", "“..”"}, Case{"/var/cache/./x", "“..”"},
          Case{"/var/cache", "protected location itself"},
          Case{"/var/cache/", "protected location itself"}, Case{"/var/cachex/y", "outside"},
          Case{"/etc/shadow", "outside"}, Case{"/", "outside"},
          Case{std::string_view("/tmp/a\0b", 8), "NUL"}}) {
        const HelperPolicy::Verdict v = policy.checkPath(c.path);
        EXPECT_FALSE(v.ok) << c.path;
        EXPECT_NE(v.reason.find(c.because), std::string::npos) << c.path << ": " << v.reason;
    }
}

TEST(HelperPolicy, PackageNamesFollowDebiansGrammar) {
    for (std::string_view good :
         {"vim", "g++", "libstdc++6", "python3.11", "libc6:amd64", "0ad", "lib32gcc-s1:i386"})
        EXPECT_TRUE(HelperPolicy::isDebianPackageName(good)) << good;
    for (std::string_view bad :
         {"", "v", "Vim", "-vim", "+vim", ".vim", "vim*", "vim?", "vi m", "vim;rm", "vim/x",
          "--purge", "vim:", "vim:AMD64", "vim:amd64:x", "v\xffm", "vim\n", "^vim$", "vim=1.0"})
        EXPECT_FALSE(HelperPolicy::isDebianPackageName(bad)) << bad;
}
