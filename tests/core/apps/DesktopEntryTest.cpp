#include <gtest/gtest.h>

#include "core/apps/AppIdentifiers.h"
#include "core/apps/DesktopEntry.h"
#include "support/TempTree.h"

namespace orvane::apps {
namespace {

using Args = std::vector<std::string>;

TEST(DesktopEntryTest, ReadsTheMainGroupOnly) {
    auto entry = DesktopEntry::parse(
        "# comment\n\n[Desktop Entry]\nType=Application\nName=Text Editor\nName[de]=Texteditor\n"
        "Comment = spaced  \nExec=gedit %U\nNoDisplay=true\nName=Second\n"
        "[Desktop Action new]\nName=New Window\nExec=gedit --new\nHidden=true\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->type(), "Application");
    EXPECT_EQ(entry->name(), "Text Editor") << "locale variants and later duplicates do not count";
    EXPECT_EQ(entry->string("Comment"), "spaced");
    EXPECT_TRUE(entry->noDisplay());
    EXPECT_FALSE(entry->hidden()) << "keys of action groups are not the entry's";
    EXPECT_EQ(entry->program(), "gedit");
    EXPECT_FALSE(entry->value("Missing"));
}

TEST(DesktopEntryTest, UnescapesStringsAndSplitsExecByItsQuotingRules) {
    auto entry = DesktopEntry::parse(
        "[Desktop Entry]\nName=Two\\sWords\\nand a line\n"
        "Exec=\"/opt/My App/bin/run\" --title \"say \\\\\"hi\\\\\"\" %f 100%% %i\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name(), "Two Words\nand a line");
    EXPECT_EQ(entry->execArguments(),
              (Args{"/opt/My App/bin/run", "--title", "say \"hi\"", "100%"}));
    EXPECT_EQ(entry->program(), "/opt/My App/bin/run");

    EXPECT_EQ(DesktopEntry::splitExec("a  'b c'"), (Args{"a", "'b", "c'"}));
    EXPECT_FALSE(DesktopEntry::splitExec("run \"unclosed")) << "broken quoting is refused";
}

TEST(DesktopEntryTest, ProgramSkipsAnEnvironmentPrefix) {
    auto snap = DesktopEntry::parse(
        "[Desktop Entry]\nExec=env BAMF_DESKTOP_FILE_HINT=/x.desktop -u FOO /snap/bin/firefox "
        "%u\n");
    ASSERT_TRUE(snap);
    EXPECT_EQ(snap->program(), "/snap/bin/firefox");
    auto onlyEnv = DesktopEntry::parse("[Desktop Entry]\nExec=env A=1\n");
    ASSERT_TRUE(onlyEnv);
    EXPECT_EQ(onlyEnv->program(), "");
    auto noExec = DesktopEntry::parse("[Desktop Entry]\nName=x\n");
    ASSERT_TRUE(noExec);
    EXPECT_EQ(noExec->program(), "");
}

TEST(DesktopEntryTest, RefusesWhatCannotBeAnEntry) {
    std::string error;
    EXPECT_FALSE(DesktopEntry::parse("Name=x\n", &error));
    EXPECT_EQ(error, "no [Desktop Entry] group");
    EXPECT_FALSE(DesktopEntry::parse("[Desktop Entry]\nName=\xff\xfe\n", &error));
    EXPECT_EQ(error, "not UTF-8");
    EXPECT_FALSE(DesktopEntry::parse(std::string("[Desktop Entry]\nName=a\0b\n", 25), &error));
    EXPECT_FALSE(DesktopEntry::parse("[Desktop Entry\nName=x\n", &error));
    EXPECT_FALSE(DesktopEntry::parse("[Desktop Entry]\njust words\n", &error));
    EXPECT_FALSE(DesktopEntry::parse("[Desktop Entry]\n[Desktop Entry]\n", &error));
    EXPECT_FALSE(DesktopEntry::parse(std::string(DesktopEntry::kMaxBytes + 1, '#'), &error));
}

TEST(DesktopEntryTest, ReadingFollowsLinksButNotIntoNothing) {
    testing::TempTree tree;
    tree.file("real.desktop", "[Desktop Entry]\nName=Real\nExec=real\n");
    tree.symlink(tree.path("real.desktop"), "link.desktop");
    tree.symlink(tree.path("gone.desktop"), "dangling.desktop");
    tree.dir("folder.desktop");
    auto linked = DesktopEntry::read(tree.path("link.desktop"));
    ASSERT_TRUE(linked);
    EXPECT_EQ(linked->name(), "Real");
    std::string error;
    EXPECT_FALSE(DesktopEntry::read(tree.path("dangling.desktop"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(DesktopEntry::read(tree.path("folder.desktop"), &error));
}

TEST(AppIdentifiersTest, BundleIdentifiersNeedThreePartsAndNoSystemFragment) {
    EXPECT_TRUE(isValidBundleID("com.example.tool"));
    EXPECT_TRUE(isValidBundleID("com.acme.Tool.helper"));
    EXPECT_FALSE(isValidBundleID("Google")) << "no dot";
    EXPECT_FALSE(isValidBundleID("example.tool"));
    EXPECT_FALSE(isValidBundleID("com..tool"));
    EXPECT_FALSE(isValidBundleID("com.example."));
    EXPECT_FALSE(isValidBundleID("org.mozilla.firefox"));
    EXPECT_FALSE(isValidBundleID("com.apple.Safari"));
    EXPECT_FALSE(isValidBundleID("COM.MICROSOFT.Word")) << "fragments ignore case";
    EXPECT_FALSE(isValidBundleID("x.system.y"));
}

TEST(AppIdentifiersTest, FreedesktopNamesMustReadAsReverseDns) {
    EXPECT_TRUE(isReverseDnsName("org.gimp.GIMP"));
    EXPECT_TRUE(isReverseDnsName("io.github.user.App_1"));
    EXPECT_TRUE(isReverseDnsName("com.example.my-tool"));
    EXPECT_FALSE(isReverseDnsName("monitors.xml.bak")) << "not under a top-level domain";
    EXPECT_FALSE(isReverseDnsName("event-sound-cache.tdb.0a1b2c.x86_64-pc-linux-gnu"));
    EXPECT_FALSE(isReverseDnsName("plasma-org.kde.plasma.desktop-appletsrc"));
    EXPECT_FALSE(isReverseDnsName("org.example.2fa")) << "an element may not start with a digit";
    EXPECT_FALSE(isReverseDnsName("org.example.has space"));
    EXPECT_FALSE(isReverseDnsName("org.mozilla.firefox"));

    EXPECT_TRUE(isFlatpakAppId("org.gimp.GIMP"));
    EXPECT_FALSE(isFlatpakAppId("org.gimp"));
    EXPECT_FALSE(isFlatpakAppId("org.gimp/../../etc"));
    EXPECT_FALSE(isFlatpakAppId("org.gimp.GIMP\nx"));

    EXPECT_TRUE(isSnapInstanceName("firefox"));
    EXPECT_TRUE(isSnapInstanceName("vlc_beta2"));
    EXPECT_TRUE(isSnapInstanceName("gnome-42-2204"));
    EXPECT_FALSE(isSnapInstanceName("Firefox"));
    EXPECT_FALSE(isSnapInstanceName("-lead"));
    EXPECT_FALSE(isSnapInstanceName("2204"));
    EXPECT_FALSE(isSnapInstanceName("name_"));
    EXPECT_FALSE(isSnapInstanceName("../x"));

    EXPECT_TRUE(isPrintableName("Ünïcode name"));
    EXPECT_FALSE(isPrintableName("line\nbreak"));
    EXPECT_FALSE(isPrintableName("bad\xff"));
    EXPECT_FALSE(isPrintableName(".."));
}

}  // namespace
}  // namespace orvane::apps
