// The `orvane settings` command, run as a user would run it, against a private HOME.
#include "core/settings/PerferenceInfo.h"
#include "core/settings/PlistFile.h"
#include "support/CliTest.h"

#ifdef ORVANE_CLI_PATH

using namespace orvane::settings;
using orvane::testing::CliRun;
using orvane::testing::HasSubstr;

namespace {

class SettingsCli : public orvane::testing::CliTest {
protected:
    CliRun run(const std::string& args) { return orvane("settings " + args); }
    // The settings file relative to the tree.
    std::string plistRel() const { return settingsPath().substr(tree.root().size() + 1); }
};

}  // namespace

TEST_F(SettingsCli, ShowCreatesTheFileWithDefaultsAndDescribesThem) {
    const CliRun r = run("");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readPlistFile(settingsPath()).dict, PerferenceInfo::defaultDictionary());
    EXPECT_THAT(r.out, HasSubstr("Video, Audio, Image, Document, Others"));
    EXPECT_THAT(r.out, HasSubstr("85%"));
    EXPECT_THAT(r.out, HasSubstr("left out"));
}

TEST_F(SettingsCli, SetThenJsonShowsTheValuesInForce) {
    ASSERT_EQ(run("set maxFileSize 5").code, 0);
    ASSERT_EQ(run("set maxSizeType GB").code, 0);
    ASSERT_EQ(run("set maxSelect true").code, 0);
    ASSERT_EQ(run("set threshold 55").code, 0);
    ASSERT_EQ(run("set whiteListPath /a '/b c'").code, 0);
    const CliRun r = run("--json");
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = json(r);
    EXPECT_EQ(j["readable"], true);
    EXPECT_EQ(j["effective"]["maxSize"], 5'000'000'000);
    EXPECT_TRUE(j["effective"]["minSize"].is_null());
    EXPECT_EQ(j["effective"]["threshold"], 55);
    EXPECT_EQ(j["settings"]["threshold"], "55");
    EXPECT_EQ(j["settings"]["whiteListPath"], nlohmann::json::array({"/a", "/b c"}));
    EXPECT_EQ(PerferenceInfo(settingsPath()).maxSize, 5'000'000'000);
}

TEST_F(SettingsCli, RefusedValuesExitWithTwoAndChangeNothing) {
    ASSERT_EQ(run("set minSelect true").code, 0);
    ASSERT_EQ(run("set minFileSize 100").code, 0);
    ASSERT_EQ(run("set maxFileSize 200").code, 0);
    const std::string before = tree.read(plistRel());

    CliRun r = run("set maxFileSize 50");
    EXPECT_EQ(r.code, 2);
    EXPECT_THAT(r.err,
                HasSubstr("Maximum value must be greater than or equal to minimum value. Please "
                          "enter again."));
    r = run("set threshold 10");
    EXPECT_EQ(r.code, 2);
    EXPECT_THAT(r.err, HasSubstr("20 to 100"));
    // Every refusal ends as the window's does, once, and changes nothing.
    for (const char* args : {"set maxFileSize 50", "set threshold 10", "set maxFileSize 1234",
                             "set hiddenFile perhaps", "set noSuchSetting 1", "set maxSizeType TB",
                             "set maxFileSize 1 2", "set video false", "add-path music /x"}) {
        if (std::string(args) == "set video false") {
            for (const char* k : {"audio", "photo", "file", "other"})
                ASSERT_EQ(run(std::string("set ") + k + " false").code, 0);
        }
        r = run(args);
        EXPECT_EQ(r.code, 2) << args;
        const std::string again = "Please enter again.\n";
        ASSERT_GE(r.err.size(), again.size()) << args;
        EXPECT_EQ(r.err.substr(r.err.size() - again.size()), again) << args << ": " << r.err;
        EXPECT_EQ(r.err.find("Please enter again."), r.err.rfind("Please enter again.")) << r.err;
    }
    EXPECT_EQ(run("set video true").code, 0);
    for (const char* k : {"audio", "photo", "file", "other"})
        ASSERT_EQ(run(std::string("set ") + k + " true").code, 0);
    EXPECT_EQ(tree.read(plistRel()), before);
}

TEST_F(SettingsCli, DamagedFileIsReportedLeftAloneAndReplacedOnlyBySaving) {
    const std::string rel = plistRel();
    tree.file(rel, "<?xml version=\"1.0\"?><plist><dict><key>video</key>");
    CliRun r = run("--json");
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(json(r)["readable"], false);
    EXPECT_THAT(r.err, HasSubstr("cannot be read"));
    EXPECT_EQ(tree.read(rel), "<?xml version=\"1.0\"?><plist><dict><key>video</key>");

    ASSERT_EQ(run("set video false").code, 0);
    const PerferenceInfo info(settingsPath());
    EXPECT_FALSE(info.unreadable);
    EXPECT_FALSE(info.omitVideo);
    EXPECT_TRUE(info.omitAudio);
    // Saved on top of the defaults, so the file is whole again.
    EXPECT_EQ(info.dataDict.size(), PerferenceInfo::defaultDictionary().size());
    EXPECT_TRUE(tree.exists(rel + ".corrupt"));
}

TEST_F(SettingsCli, ResetPutsTheDefaultsBack) {
    ASSERT_EQ(run("set threshold 30").code, 0);
    ASSERT_EQ(run("set zeroByteFile no").code, 0);
    ASSERT_EQ(run("reset").code, 0);
    EXPECT_EQ(readPlistFile(settingsPath()).dict, PerferenceInfo::defaultDictionary());
}

TEST_F(SettingsCli, FolderListsGainAndLosePathsWithoutDuplicates) {
    const std::string a = tree.dir("skip/a"), b = tree.dir("skip/b");
    ASSERT_EQ(run("add-path duplicates '" + a + "'").code, 0);
    const auto r = run("add-path duplicates '" + a + "' '" + b + "/'");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("already listed " + a));
    EXPECT_THAT(r.out, HasSubstr("added " + b));
    EXPECT_EQ(PerferenceInfo(settingsPath()).whiteListPath, (std::vector<std::string>{a, b}));
    ASSERT_EQ(run("add-path large-files '" + b + "'").code, 0);
    EXPECT_EQ(PerferenceInfo(settingsPath()).largeFileWhiteListPath, std::vector<std::string>{b});

    ASSERT_EQ(run("remove-path duplicates '" + a + "'").code, 0);
    EXPECT_EQ(PerferenceInfo(settingsPath()).whiteListPath, std::vector<std::string>{b});
    EXPECT_EQ(run("add-path music '" + a + "'").code, 2);
}

#endif
