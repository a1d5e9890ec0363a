// Removals that need administrator rights, through the real helper program started the way the
// program starts it but without pkexec, against a temporary root whose var/cache, var/log,
// var/tmp, tmp and usr/local are the protected places.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "AppFixtures.h"
#include "FakeTools.h"
#include "ScanSupport.h"
#include "core/files/PrivilegedHelper.h"
#include "kit/MainQueue.h"

namespace orvane::apps {
namespace {

using testing::appWithId;
using testing::FakeTools;
using testing::LinuxMachine;
using testing::MacTree;
using testing::scanNow;
using Lines = std::vector<std::string>;

std::vector<AppCleaningLog> cleanNow(AppManager& manager, bool residuals) {
    kit::MainLoop loop;
    std::vector<AppCleaningLog> logs;
    manager.workQueue.async([&] { logs = manager.startClean(residuals); });
    manager.waitUntilWorkFinished();
    loop.drain();
    return logs;
}

// The helper is one per run; each case starts its own and ends it.
#ifdef ORVANE_HELPER_BINARY
class HelperRemoval : public ::testing::Test {
protected:
    void launch(const std::vector<std::string>& argv) {
        files::PrivilegedHelper::shared().release();
        files::PrivilegedHelper::shared().setLauncher(argv);
    }
    void TearDown() override { files::PrivilegedHelper::shared().release(); }
};

TEST_F(HelperRemoval, ADebianPackageGoesThroughTheHelpersAptGet) {
    LinuxMachine machine;
    const std::string entry = machine.debApp("fooedit", "fooedit", "Foo Edit", "1.0-1", 100);
    const std::string list = machine.root + "/var/lib/dpkg/info/fooedit.list";
    const std::string protectedRoot = machine.tree.dir("protected");
    AppManager manager(machine.layout());
    scanNow(manager);
    FakeTools tools(machine.tree.path("bin"));
    for (const char* tool : {"apt-get", "dpkg-query"}) tools.install(tool);
    tools.answer("apt-get", "-s remove fooedit", "Remv fooedit [1.0-1]\n");
    tools.answer("dpkg-query", "-W -f=${db:Status-Abbrev} -- fooedit", "ii ");
    tools.onCall("apt-get", "remove -y -- fooedit", "rm -f '" + list + "' '" + entry + "'\n");
    launch({ORVANE_HELPER_BINARY, "--protected-root", protectedRoot});

    appWithId(manager.apps, "fooedit")->setItemState(true);
    const auto logs = cleanNow(manager, false);
    EXPECT_EQ(tools.calls(),
              (Lines{"apt-get -s remove fooedit", "dpkg-query -W -f=${db:Status-Abbrev} -- fooedit",
                     "apt-get remove -y -- fooedit"}));
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_TRUE(logs[0].isSuccess) << logs[0].cleanedFiles.at(0).reason;
    EXPECT_EQ(logs[0].cleanedFileCount, 2) << "the package and the menu entry it installed";
    EXPECT_FALSE(appWithId(manager.apps, "fooedit"));
}

TEST_F(HelperRemoval, AnAuthorizationThatIsRefusedFailsThePackagesAndNothingElse) {
    LinuxMachine machine;
    machine.debApp("fooedit", "fooedit", "Foo Edit", "1.0-1", 100);
    machine.tree.fileOfSize("root/home/ann/.config/fooedit/rc", 100);
    AppManager manager(machine.layout());
    scanNow(manager);
    FakeTools tools(machine.tree.path("bin"));
    tools.install("apt-get");
    tools.answer("apt-get", "-s remove fooedit", "Remv fooedit [1.0-1]\n");
    // pkexec's own status when the person dismisses the password prompt.
    const std::string pkexec = machine.tree.script("fake-pkexec", "exit 126");
    launch({pkexec});

    appWithId(manager.apps, "fooedit")->setItemState(true);
    const auto logs = cleanNow(manager, false);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].cleanedFileCount, 1) << "the settings the user owns still went";
    EXPECT_EQ(logs[0].failedFileCount, 2);
    EXPECT_FALSE(logs[0].cleanedFiles.back().reason.empty());
    EXPECT_EQ(tools.calls(), (Lines{"apt-get -s remove fooedit"}));
    EXPECT_TRUE(appWithId(manager.apps, "fooedit"));
}

TEST_F(HelperRemoval, TheHelperRefusesAStoreCopyOutsideTheProtectedPlaces) {
    MacTree mac;
    const std::string bundle = mac.bundle("Applications/Tool.app", "com.example.tool");
    mac.tree.file("Applications/Tool.app/Contents/_MASReceipt/receipt", "r");
    mac.index("com.example.tool", {bundle});
    const std::string protectedRoot = mac.tree.dir("protected");
    AppManager manager(mac.layout());
    scanNow(manager);
    launch({ORVANE_HELPER_BINARY, "--protected-root", protectedRoot});
    const AppModelPtr tool = appWithId(manager.apps, "com.example.tool");
    ASSERT_TRUE(tool);
    ASSERT_TRUE(tool->appFiles.at(0)->isAppStoreApp());
    tool->setItemState(true);
    const auto logs = cleanNow(manager, false);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_FALSE(logs[0].cleanedFiles.back().success);
    EXPECT_NE(logs[0].cleanedFiles.back().reason.find("outside the protected locations"),
              std::string::npos)
        << logs[0].cleanedFiles.back().reason;
    struct stat st {};
    EXPECT_EQ(::lstat((bundle + "/Contents/MacOS/main").c_str(), &st), 0) << "left whole";
}

#endif

}  // namespace
}  // namespace orvane::apps
