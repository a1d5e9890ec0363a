// The real helper program, started the way the program starts it but without pkexec, against a
// temporary root whose var/cache, var/log, var/tmp, tmp and usr/local are the protected places.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core/files/FileIdentity.h"
#include "core/files/PrivilegedHelper.h"
#include "core/junk/AuthoredHelper.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

using orvane::files::FileIdentity;
using orvane::files::HelperReply;
using orvane::files::PrivilegedHelper;
using orvane::testing::ScopedHome;
using orvane::testing::TempTree;

namespace {

class HelperRun : public ::testing::Test {
protected:
    void SetUp() override {
        root = t.dir("root");
        for (const char* place : {"var/cache", "var/log", "var/tmp", "tmp", "usr/local"})
            t.dir(std::string("root/") + place);
        helper.setLauncher({ORVANE_HELPER_BINARY, "--protected-root", root});
        ASSERT_TRUE(helper.initialize()) << helper.lastError();
    }

    TempTree t;
    ScopedHome home{t};
    std::string root;
    PrivilegedHelper helper;
};

FileIdentity identityOf(const std::string& path) {
    FileIdentity id;
    EXPECT_TRUE(FileIdentity::read(path.c_str(), id)) << path;
    return id;
}

}  // namespace

TEST_F(HelperRun, RemovesFilesAndWholeTreesInsideTheProtectedPlacesWithoutFollowingLinks) {
    EXPECT_TRUE(helper.isAuthorized());
    const std::string deb = t.file("root/var/cache/apt/archives/tool_1.0_amd64.deb", "package");
    const std::string outside = t.file("elsewhere/precious.txt", "keep me");
    t.file("root/var/log/app/old.log.1", "old");
    t.symlink(t.path("elsewhere"), "root/var/log/app/link-to-elsewhere");
    t.dir("root/var/log/app/deeper/still");

    HelperReply r = helper.removePath(deb, identityOf(deb));
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_FALSE(t.exists("root/var/cache/apt/archives/tool_1.0_amd64.deb"));
    EXPECT_TRUE(t.exists("root/var/cache/apt/archives")) << "only the item goes";

    r = helper.removePath(t.path("root/var/log/app"));
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_FALSE(t.exists("root/var/log/app"));
    EXPECT_EQ(t.read("elsewhere/precious.txt"), "keep me") << "a link inside is removed as a link";
    EXPECT_TRUE(t.exists("root/var/log"));

    // Names are bytes: a newline and invalid UTF-8 reach the helper intact.
    const std::string odd = t.file("root/tmp/odd\nname\xff.tmp", "x");
    r = helper.removePath(odd);
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_FALSE(t.exists("root/tmp/odd\nname\xff.tmp"));

    r = helper.removePath(t.path("root/var/tmp/never-there"));
    EXPECT_TRUE(r.ok) << "an item already gone counts as removed: " << r.message;
    EXPECT_EQ(outside, t.path("elsewhere/precious.txt"));
}

TEST_F(HelperRun, RefusesEverythingOutsideOrAroundTheProtectedPlaces) {
    const std::string outside = t.file("elsewhere/precious.txt", "keep me");
    t.file("home/notes.txt", "mine");
    t.symlink(t.path("elsewhere"), "root/var/tmp/escape");
    t.symlink(t.path("elsewhere/precious.txt"), "root/tmp/file-link");
    const std::string live = t.file("root/var/log/syslog", "live");

    struct Case {
        std::string path;
        std::string_view because;
    };
    const std::vector<Case> cases{
        {outside, "outside the protected locations"},
        {t.path("home/notes.txt"), "outside"},
        {root + "/var/tmp/../../elsewhere/precious.txt", "“..”"},
        {root + "/var/tmp/escape/precious.txt", "symbolic link"},
        {root + "/tmp/file-link", "only regular files and folders"},
        {"", "empty"},
        {"var/tmp/x", "not an absolute path"},
        {root + "/var/tmp", "protected location itself"},
        {root + "/usr/local/", "protected location itself"},
        {root, "outside"},
        {"/", "outside"},
    };
    for (const Case& c : cases) {
        const HelperReply r = helper.removePath(c.path);
        EXPECT_FALSE(r.ok) << c.path;
        EXPECT_NE(r.message.find(c.because), std::string::npos) << c.path << ": " << r.message;
    }
    EXPECT_EQ(t.read("elsewhere/precious.txt"), "keep me");
    EXPECT_EQ(t.read("home/notes.txt"), "mine");
    EXPECT_TRUE(t.exists("root/var/tmp/escape"));
    EXPECT_TRUE(t.exists("root/tmp/file-link"));

    // A file replaced since it was found is left alone.
    FileIdentity seen = identityOf(live);
    ++seen.inode;
    const HelperReply r = helper.removePath(live, seen);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("replaced"), std::string::npos) << r.message;
    EXPECT_EQ(t.read("root/var/log/syslog"), "live");

    // The helper is still there for the next request after every refusal.
    EXPECT_TRUE(helper.isAuthorized());
    EXPECT_TRUE(helper.removePath(live, identityOf(live)).ok);
}

TEST_F(HelperRun, RemovesOnlyInstalledPackagesWithValidNamesThroughAptGet) {
    TempTree tools;
    const std::string log = tools.path("calls.log");
    tools.script(
        "bin/dpkg-query",
        "echo \"dpkg-query $*\" >> '" + log +
            "'\n"
            "for last; do :; done\n"
            "case \"$last\" in vim|g++|libc6:amd64|stuck) printf 'ii ';; gone) printf 'rc ';; "
            "*) echo \"dpkg-query: no packages found matching $last\" >&2; exit 1;; esac");
    tools.script(
        "bin/apt-get",
        "echo \"apt-get $*\" >> '" + log +
            "'\n"
            "read -r line && echo \"apt-get read: $line\" >> '" +
            log +
            "'\n"
            "case \"$*\" in *stuck*) echo 'E: Could not get lock /var/lib/dpkg/lock-frontend'; "
            "exit 100;; esac\n"
            "echo \"Removing $4 ...\"; echo \"DEBIAN_FRONTEND=$DEBIAN_FRONTEND\" >> '" +
            log + "'");
    // The helper was started before PATH changed; start it again to see the stand-ins.
    helper.release();
    const auto path = orvane::testing::pathFirst(tools.path("bin"));
    ASSERT_TRUE(helper.initialize()) << helper.lastError();

    HelperReply r = helper.removePackages({"vim", "g++", "libc6:amd64"});
    EXPECT_TRUE(r.ok) << r.message;
    std::string calls = tools.read("calls.log");
    EXPECT_NE(calls.find("apt-get remove -y -- vim g++ libc6:amd64\n"), std::string::npos) << calls;
    EXPECT_EQ(calls.find("apt-get read:"), std::string::npos)
        << "apt-get must not read the helper's requests: " << calls;
    EXPECT_NE(calls.find("DEBIAN_FRONTEND=noninteractive"), std::string::npos) << calls;

    ::unlink(log.c_str());
    for (const std::vector<std::string>& refused :
         std::vector<std::vector<std::string>>{{"vim", "Bad_Name"},
                                               {"vim", "-y"},
                                               {"vim", "--purge"},
                                               {"notinstalled"},
                                               {"vim", "gone"},
                                               {"vim+"},
                                               {}}) {
        r = helper.removePackages(refused);
        EXPECT_FALSE(r.ok) << (refused.empty() ? "(none)" : refused.back());
        EXPECT_FALSE(r.message.empty());
    }
    calls = tools.exists("calls.log") ? tools.read("calls.log") : "";
    EXPECT_EQ(calls.find("apt-get"), std::string::npos) << "nothing refused reaches apt-get";

    r = helper.removePackages({"stuck"});
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("Could not get lock"), std::string::npos) << r.message;
    EXPECT_NE(r.message.find("status 100"), std::string::npos) << r.message;
}

TEST(HelperLaunch, ADismissedOrRefusedPromptAMissingPkexecOrHelperGiveClearErrors) {
    TempTree t;
    ScopedHome home(t);
    t.script("dismiss/pkexec", "exit 126");
    t.script("refuse/pkexec",
             "echo 'Error executing command as another user: Not authorized' >&2; exit 127");
    PrivilegedHelper helper;

    {
        const auto path = orvane::testing::pathFirst(t.path("dismiss"));
        helper.setLauncher({"pkexec", ORVANE_HELPER_BINARY});
        EXPECT_FALSE(helper.initialize());
        EXPECT_FALSE(helper.isAuthorized());
        EXPECT_NE(helper.lastError().find("dismissed"), std::string::npos) << helper.lastError();
        const HelperReply r = helper.removePath("/var/tmp/whatever");
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find("not been obtained"), std::string::npos) << r.message;
    }
    {
        const auto path = orvane::testing::pathFirst(t.path("refuse"));
        EXPECT_FALSE(helper.initialize()) << "a dismissed prompt is asked again next time";
        EXPECT_NE(helper.lastError().find("not granted"), std::string::npos) << helper.lastError();
    }
    {
        const auto path = orvane::testing::pathFirst(t.dir("empty"), /*only=*/true);
        EXPECT_FALSE(helper.initialize());
        EXPECT_NE(helper.lastError().find("pkexec is not installed"), std::string::npos)
            << helper.lastError();
    }
    {
        helper.setLauncher({t.path("missing/orvane-helper")});
        EXPECT_FALSE(helper.initialize());
        EXPECT_NE(helper.lastError().find("could not be started"), std::string::npos)
            << helper.lastError();
    }
}

TEST(HelperLaunch, TheTestRootIsRefusedWhenTheHelperRunsWithBorrowedRights) {
    TempTree t;
    ScopedHome home(t);
    t.dir("root/var/tmp");
    ::setenv("PKEXEC_UID", "1000", 1);
    PrivilegedHelper helper;
    helper.setLauncher({ORVANE_HELPER_BINARY, "--protected-root", t.path("root")});
    const bool started = helper.initialize();
    ::unsetenv("PKEXEC_UID");
    EXPECT_FALSE(started);
    EXPECT_NE(helper.lastError().find("status 2"), std::string::npos) << helper.lastError();

    helper.setLauncher({ORVANE_HELPER_BINARY, "--unknown"});
    EXPECT_FALSE(helper.initialize());
}

TEST(HelperLaunch, AHelperThatBreaksOffIsNotTrustedWithTheNextRequest) {
    TempTree t;
    ScopedHome home(t);
    // Answers the greeting, then dies mid-conversation.
    const std::string fake = t.script("bin/fake-helper",
                                      "head -c 11 >/dev/null; printf '11:2:ok,3:yes,,'; "
                                      "head -c 1 >/dev/null; exit 3");
    PrivilegedHelper helper;
    helper.setLauncher({fake});
    ASSERT_TRUE(helper.initialize()) << helper.lastError();
    const HelperReply r = helper.removePath(t.file("root/tmp/x", "x"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("stopped unexpectedly"), std::string::npos) << r.message;
    EXPECT_FALSE(helper.isAuthorized());
    EXPECT_TRUE(t.exists("root/tmp/x"));
}

TEST_F(HelperRun, TheJunkCleanersFaceHoldsOneAuthorizationAndCountsRemovals) {
    orvane::junk::AuthoredHelper authored(helper);
    helper.release();
    EXPECT_FALSE(authored.isAuthorized());
    const std::string a = t.file("root/var/tmp/a.tmp", "a");
    EXPECT_FALSE(authored.removeFile(a)) << "nothing is removed before the authorization";
    EXPECT_TRUE(t.exists("root/var/tmp/a.tmp"));

    ASSERT_TRUE(authored.initializeAuthorization()) << authored.lastMessage();
    EXPECT_TRUE(authored.initializeAuthorization()) << "a second call reuses the first";
    EXPECT_FALSE(authored.removeFile(""));
    EXPECT_TRUE(authored.removeFile(t.path("root/var/tmp/vanished")));
    const std::string b = t.file("root/var/log/b.log.1", "b");
    const std::string outside = t.file("home/keep.txt", "k");
    EXPECT_EQ(authored.removeFiles({a, b, outside}), 2);
    EXPECT_NE(authored.lastMessage().find("outside"), std::string::npos) << authored.lastMessage();
    EXPECT_TRUE(t.exists("home/keep.txt"));
    EXPECT_EQ(authored.removeFiles({}), 0);
    authored.releaseAuthorization();
    EXPECT_FALSE(authored.isAuthorized());
}

TEST_F(HelperRun, NeverEntersAFileSystemMountedInsideAFolderItRemoves) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting needs root";
    const std::string mountPoint = t.dir("root/var/tmp/holder/mnt");
    t.file("root/var/tmp/holder/loose.tmp", "x");
    if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "tmpfs mount refused here: " << std::strerror(errno);
    { std::ofstream(mountPoint + "/on-the-mount.txt") << "keep"; }

    HelperReply r = helper.removePath(mountPoint);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("mount point"), std::string::npos) << r.message;

    r = helper.removePath(t.path("root/var/tmp/holder"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("mounted inside"), std::string::npos) << r.message;
    EXPECT_FALSE(t.exists("root/var/tmp/holder/loose.tmp")) << "what is not on the mount goes";
    EXPECT_TRUE(t.exists("root/var/tmp/holder/mnt/on-the-mount.txt"));
    ::umount2(mountPoint.c_str(), MNT_DETACH);
}
