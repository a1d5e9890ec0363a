#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "AppFixtures.h"
#include "FakeTools.h"
#include "support/CliRun.h"

namespace orvane::apps {
namespace {

using testing::FakeTools;
using testing::LinuxMachine;
using Json = nlohmann::json;
using Lines = std::vector<std::string>;

#ifdef ORVANE_CLI_PATH

orvane::testing::CliRun apps(const LinuxMachine& machine, const std::string& args) {
    return orvane::testing::runCli(machine.tree, ORVANE_CLI_PATH, "apps " + args);
}

using testing::sample;

// The user's own flatpak and AppImage, with data; the machine's real packages stay out of reach
// (no dpkg on the fixture's PATH, so none are listed, and no apt is ever called for real).
struct Machine {
    LinuxMachine machine;
    std::string paint, image;
    Machine() {
        paint = machine.flatpakApp("org.example.Paint", "Paint", "3.1", 5'000'000, true);
        machine.tree.fileOfSize("root/home/ann/.var/app/org.example.Paint/data/brushes", 3000);
        image = machine.appImage("Applications/Tool-1.0-x86_64.AppImage", true, 8000);
        machine.tree.fileOfSize("root/home/ann/.config/tool/tool.ini", 100);
        machine.tree.fileOfSize("root/home/ann/.cache/org.removed.Thing/blob", 7000);
    }
};

TEST(AppsActionsCliTest, UninstallShowsItsPlanThenRemovesThroughTheRightTools) {
    Machine m;
    FakeTools tools(m.machine.tree.path("bin"));
    tools.install("flatpak");
    tools.onCall("flatpak", "uninstall --user --noninteractive --delete-data org.example.Paint",
                 "rm -rf '" + m.paint + "'\n");

    const auto plan = apps(m.machine, "--uninstall org.example.Paint tool --with-data --dry-run");
    ASSERT_EQ(plan.code, 0) << plan.err;
    EXPECT_NE(plan.out.find("would flatpak uninstall --user --noninteractive --delete-data "
                            "org.example.Paint"),
              std::string::npos)
        << plan.out;
    EXPECT_NE(plan.out.find("would delete  8.19 KB  " + m.image), std::string::npos) << plan.out;
    EXPECT_NE(plan.out.find("nothing was touched"), std::string::npos);
    EXPECT_TRUE(tools.calls().empty());
    EXPECT_TRUE(m.machine.tree.exists("root/home/ann/Applications/Tool-1.0-x86_64.AppImage"));

    const auto done = apps(m.machine, "--uninstall org.example.Paint tool --with-data");
    ASSERT_EQ(done.code, 0) << done.out << done.err;
    EXPECT_EQ(tools.calls(),
              (Lines{"flatpak uninstall --user --noninteractive --delete-data org.example.Paint"}));
    EXPECT_FALSE(m.machine.tree.exists("root/home/ann/Applications/Tool-1.0-x86_64.AppImage"));
    EXPECT_FALSE(m.machine.tree.exists("root/home/ann/.config/tool"));
    EXPECT_FALSE(m.machine.tree.exists("root/home/ann/.var/app/org.example.Paint/data"));
    EXPECT_NE(done.out.find("removed  " + m.paint), std::string::npos) << done.out;
    EXPECT_TRUE(m.machine.tree.exists("root/home/ann/.cache/org.removed.Thing/blob"));
}

TEST(AppsActionsCliTest, AFailedItemMakesTheExitCodeOneAndBadArgumentsTwo) {
    Machine m;
    FakeTools tools(m.machine.tree.path("bin"));
    tools.install("flatpak");
    tools.answer("flatpak", "uninstall --user --noninteractive org.example.Paint", "", 1,
                 "error: org.example.Paint/x86_64/stable not installed\n");
    const auto failed = apps(m.machine, "--uninstall org.example.Paint");
    EXPECT_EQ(failed.code, 1);
    EXPECT_NE(
        failed.out.find("failed   " + m.paint + ": org.example.Paint/x86_64/stable not installed"),
        std::string::npos)
        << failed.out;
    EXPECT_TRUE(m.machine.tree.exists("root/home/ann/.var/app/org.example.Paint/data/brushes"))
        << "without --with-data the data stays";

    for (const char* bad :
         {"--uninstall org.nothing.Here", "--with-data", "--uninstall tool --updates", "--dry-run",
          "--remove-residual tool", "--uninstall tool --json"}) {
        const auto r = apps(m.machine, bad);
        EXPECT_EQ(r.code, 2) << bad << ": " << r.err;
        EXPECT_FALSE(r.err.empty()) << bad;
    }
    EXPECT_TRUE(m.machine.tree.exists("root/home/ann/Applications/Tool-1.0-x86_64.AppImage"));
    EXPECT_EQ(tools.calls().size(), 1u);
}

TEST(AppsActionsCliTest, RemovesLeftoversByTheirId) {
    Machine m;
    FakeTools tools(m.machine.tree.path("bin"));
    const auto plan = apps(m.machine, "--remove-residual org.removed.Thing --dry-run");
    ASSERT_EQ(plan.code, 0) << plan.err;
    EXPECT_NE(plan.out.find("would delete"), std::string::npos);
    EXPECT_TRUE(m.machine.tree.exists("root/home/ann/.cache/org.removed.Thing/blob"));
    const auto done = apps(m.machine, "--remove-residual org.removed.Thing");
    ASSERT_EQ(done.code, 0) << done.out << done.err;
    EXPECT_FALSE(m.machine.tree.exists("root/home/ann/.cache/org.removed.Thing"));
    EXPECT_NE(done.out.find("Removed 1 item"), std::string::npos) << done.out;
}

TEST(AppsActionsCliTest, ListsAndAppliesStoreUpdates) {
    Machine m;
    FakeTools tools(m.machine.tree.path("bin"));
    tools.install("flatpak");
    tools.answer("flatpak",
                 "remote-ls --updates --user --app "
                 "--columns=application,version,branch,origin,download-size",
                 sample("flatpak-remote-ls-updates-user.txt"));
    tools.answer("flatpak",
                 "remote-ls --updates --system --app "
                 "--columns=application,version,branch,origin,download-size",
                 "");
    const auto listed = apps(m.machine, "--updates --json");
    ASSERT_EQ(listed.code, 0) << listed.err;
    const Json json = Json::parse(listed.out);
    ASSERT_EQ(json.at("updates").size(), 1u) << "only what is installed here";
    EXPECT_EQ(json["updates"][0]["bundleId"], "org.example.Paint");
    EXPECT_EQ(json["updates"][0]["latestVersion"], "3.2");
    EXPECT_EQ(json["updates"][0]["installation"], "user");

    tools.answer("flatpak", "update --user --noninteractive org.example.Paint",
                 "Updates complete.\n");
    const auto updated = apps(m.machine, "--update org.example.Paint tool");
    EXPECT_EQ(updated.code, 1) << "the AppImage has no store to update from";
    EXPECT_NE(updated.out.find("updated  org.example.Paint to 3.2"), std::string::npos)
        << updated.out;
    EXPECT_NE(updated.out.find("“Tool” has no update on offer."), std::string::npos);
    EXPECT_EQ(tools.calls().back(), "flatpak update --user --noninteractive org.example.Paint");
}

#endif

}  // namespace
}  // namespace orvane::apps
