// A settings file that cannot be read whole must never make the program forget what the user
// excluded: scanning goes on, removing anything found in that run is refused.
#include <sys/stat.h>

#include "core/settings/PerferenceInfo.h"
#include "core/settings/PlistValue.h"
#include "support/CliTest.h"

#ifdef ORVANE_CLI_PATH

using namespace orvane::settings;
using orvane::testing::CliRun;
using orvane::testing::HasSubstr;

namespace {

class FailClosed : public orvane::testing::CliTest {
protected:
    // The settings as the user saved them (the private folder excluded everywhere), cut off
    // half-way as a crash or a full disk of another tool leaves it.
    void writeTruncatedSettings() {
        Dictionary d = PerferenceInfo::defaultDictionary();
        d.set(prefkey::whiteListPath, PlistValue::stringArray({tree.path("data/private")}));
        d.set(prefkey::largeFileWhiteListPath,
              PlistValue::stringArray({tree.path("data/private")}));
        const std::string xml = toXmlPlist(d);
        tree.file("home/.config/com.orvane.app/PreferenceInfo.plist",
                  xml.substr(0, xml.size() / 2));
    }
};

}  // namespace

TEST_F(FailClosed, DuplicatesFromADamagedSettingsRunAreListedButNeverRemoved) {
    tree.file("data/private/tax.pdf", "same bytes");
    tree.file("data/public/tax copy.pdf", "same bytes");
    writeTruncatedSettings();
    const CliRun r = orvane("duplicates -q " + q("data") + " --auto-select --remove delete");
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_THAT(r.err, HasSubstr("excluded folders are unknown"));
    EXPECT_THAT(r.err, HasSubstr("Nothing is removed"));
    EXPECT_TRUE(tree.exists("data/private/tax.pdf"));
    EXPECT_TRUE(tree.exists("data/public/tax copy.pdf"));

    // Listing alone still works and says why removal would be refused.
    const CliRun list = orvane("duplicates -q " + q("data"));
    EXPECT_EQ(list.code, 0) << list.err;
    EXPECT_THAT(list.out, HasSubstr("tax copy.pdf"));
}

TEST_F(FailClosed, LargeFilesFromADamagedSettingsRunAreNeverRemoved) {
    tree.sparseFile("data/private/disk.img", 20'000'000);
    writeTruncatedSettings();
    const CliRun r = orvane("large-files -q " + q("data") + " --group 0 --remove delete");
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_THAT(r.err, HasSubstr("Nothing is removed"));
    EXPECT_TRUE(tree.exists("data/private/disk.img"));
}

TEST_F(FailClosed, ASettingsFileReplacedByAPipeNeitherHangsNorAllowsRemoval) {
    tree.file("data/a.txt", "same");
    tree.file("data/b.txt", "same");
    tree.dir("home/.config/com.orvane.app");
    ASSERT_EQ(::mkfifo(settingsPath().c_str(), 0600), 0);
    const CliRun r = orvane("duplicates -q " + q("data") + " --auto-select --remove delete");
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_THAT(r.err, HasSubstr("not a regular file"));
    EXPECT_TRUE(tree.exists("data/a.txt"));
    EXPECT_TRUE(tree.exists("data/b.txt"));
}

#endif
