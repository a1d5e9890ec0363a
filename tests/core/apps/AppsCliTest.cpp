#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "AppFixtures.h"
#include "support/CliRun.h"

namespace orvane::apps {
namespace {

using testing::LinuxMachine;
using Json = nlohmann::json;

#ifdef ORVANE_CLI_PATH

orvane::testing::CliRun apps(const LinuxMachine& machine, const std::string& args) {
    return orvane::testing::runCli(machine.tree, ORVANE_CLI_PATH, "apps " + args);
}

const Json* byId(const Json& list, const std::string& id) {
    for (const Json& app : list)
        if (app.at("bundleId") == id) return &app;
    return nullptr;
}

// The command reads the real system's package places and the home of HOME and XDG: the user's
// own flatpaks, AppImages and leftovers are the fixture's.
TEST(AppsCliTest, JsonListsAppsWithFilesAndTheLeftoversWhenAsked) {
    LinuxMachine machine;
    machine.flatpakApp("org.example.Paint", "Paint", "3.1", 5'000'000, true);
    const std::string krita =
        machine.appImage("Applications/Krita-5.2.2-x86_64.AppImage", true, 50'000);
    machine.tree.fileOfSize("root/home/ann/.var/app/org.example.Paint/data/brushes", 3000);
    machine.tree.fileOfSize("root/home/ann/.config/krita/kritarc", 1000);
    machine.tree.fileOfSize("root/home/ann/.var/app/org.removed.Tool/cache/x", 7000);

    const auto plain = apps(machine, "--json");
    ASSERT_EQ(plain.code, 0) << plain.err;
    const Json listed = Json::parse(plain.out);
    EXPECT_FALSE(listed.contains("residual")) << "leftovers only when asked";
    const Json* paint = byId(listed.at("apps"), "org.example.Paint");
    ASSERT_TRUE(paint);
    EXPECT_EQ(paint->at("name"), "Paint");
    EXPECT_EQ(paint->at("version"), "3.1");
    EXPECT_EQ(paint->at("kind"), "flatpak");
    ASSERT_EQ(paint->at("files").size(), 2u);
    EXPECT_EQ(paint->at("files")[0].at("type"), "app");
    EXPECT_EQ(paint->at("files")[0].at("size"), 5'000'000);
    EXPECT_EQ(paint->at("files")[1].at("type"), "support");
    EXPECT_EQ(paint->at("files")[1].at("path"), machine.home + "/.var/app/org.example.Paint/data");
    const Json* appImage = byId(listed.at("apps"), "krita");
    ASSERT_TRUE(appImage);
    EXPECT_EQ(appImage->at("kind"), "appimage");
    EXPECT_EQ(appImage->at("files")[0].at("path"), krita);
    EXPECT_EQ(appImage->at("files")[1].at("type"), "preference");
    EXPECT_GT(appImage->at("size").get<std::uint64_t>(), 50'000u);

    const auto withResidual = apps(machine, "--json --residual --sort size");
    ASSERT_EQ(withResidual.code, 0) << withResidual.err;
    const Json all = Json::parse(withResidual.out);
    const Json* tool = byId(all.at("residual"), "org.removed.Tool");
    ASSERT_TRUE(tool);
    EXPECT_EQ(tool->at("name"), "Tool");
    EXPECT_EQ(tool->at("kind"), "flatpak");
    EXPECT_EQ(tool->at("files")[0].at("type"), "other");
    // Largest first.
    std::uint64_t previous = UINT64_MAX;
    for (const Json& app : all.at("apps")) {
        EXPECT_LE(app.at("size").get<std::uint64_t>(), previous);
        previous = app.at("size").get<std::uint64_t>();
    }
}

TEST(AppsCliTest, TextNamesEachAppAndItsFilesAndRefusesUnknownSorts) {
    LinuxMachine machine;
    machine.appImage("Applications/Krita-5.2.2-x86_64.AppImage", true, 50'000);
    machine.tree.fileOfSize("root/home/ann/.config/krita/kritarc", 1000);
    const auto run = apps(machine, "--residual");
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("Krita 5.2.2  (appimage, krita)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("preference"), std::string::npos);
    EXPECT_NE(run.out.find(machine.home + "/.config/krita\n"), std::string::npos);
    EXPECT_NE(run.out.find("No leftovers of removed applications."), std::string::npos);

    const auto bad = apps(machine, "--sort color");
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("color"), std::string::npos);
}

TEST(AppsCliTest, RootReadsTheSystemMountedThere) {
    LinuxMachine machine;
    machine.debApp("fooedit", "fooedit", "Foo Edit", "1:2.3-1", 2048);
    machine.snapApp("notes", "Notes", "2.0", 3'000'000);
    machine.flatpakApp("com.example.Chat", "Chat", "0.9", 7'000'000, false);
    const auto run = apps(machine, "--json --root '" + machine.root + "'");
    ASSERT_EQ(run.code, 0) << run.err;
    const Json listed = Json::parse(run.out).at("apps");
    ASSERT_EQ(listed.size(), 3u) << run.out;
    const Json* deb = byId(listed, "fooedit");
    ASSERT_TRUE(deb);
    EXPECT_EQ(deb->at("kind"), "deb");
    EXPECT_EQ(deb->at("version"), "1:2.3-1");
    EXPECT_EQ(deb->at("files")[1].at("package"), "fooedit");
    EXPECT_EQ(byId(listed, "notes")->at("kind"), "snap");
    EXPECT_EQ(byId(listed, "com.example.Chat")->at("version"), "0.9");

    const auto missing = apps(machine, "--root '" + machine.root + "/nowhere'");
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find("--root"), std::string::npos);
}

#endif

}  // namespace
}  // namespace orvane::apps
