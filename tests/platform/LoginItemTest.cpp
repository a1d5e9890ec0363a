#include <glib.h>
#include <plist/plist.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/AtomicFile.h"
#include "platform/Layout.h"
#include "platform/LoginItem.h"
#include "platform/linux/AutostartLoginItem.h"
#include "platform/mac/LaunchAgentLoginItem.h"
#include "support/TempTree.h"

namespace orvane::platform {
namespace {

using orvane::testing::ScopedHome;
using orvane::testing::TempTree;
namespace fs = std::filesystem;

std::vector<std::string> entriesOf(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        names.push_back(e.path().filename().string());
    return names;
}

// What a desktop session would run for the entry: the Exec key unescaped, split as a launcher
// splits it, and "%%" turned back into "%" as the launcher's field-code expansion does.
std::vector<std::string> launchedCommand(const std::string& entryFile) {
    GKeyFile* file = g_key_file_new();
    std::vector<std::string> argv;
    if (g_key_file_load_from_file(file, entryFile.c_str(), G_KEY_FILE_NONE, nullptr)) {
        char* exec = g_key_file_get_string(file, "Desktop Entry", "Exec", nullptr);
        int argc = 0;
        char** parsed = nullptr;
        if (exec && g_shell_parse_argv(exec, &argc, &parsed, nullptr)) {
            for (int i = 0; i < argc; ++i) {
                std::string arg = parsed[i];
                for (auto at = arg.find("%%"); at != std::string::npos; at = arg.find("%%", at + 1))
                    arg.erase(at, 1);
                argv.push_back(arg);
            }
            g_strfreev(parsed);
        }
        g_free(exec);
    }
    g_key_file_free(file);
    return argv;
}

TEST(AutostartLoginItemTest, EntryAppearsAndDisappears) {
    TempTree tree;
    ScopedHome home(tree);
    const Layout layout = Layout::linuxLayout();
    auto item = makeLoginItem(layout, "/opt/orvane/bin/orvane");
    const std::string entry = home.home() + "/.config/autostart/com.orvane.app.desktop";
    ASSERT_EQ(layout.loginItemFile, entry);

    EXPECT_FALSE(item->isEnabled());
    Outcome on = item->setEnabled(true);
    ASSERT_TRUE(on.ok()) << on.error;
    EXPECT_TRUE(item->isEnabled());
    const std::string text = tree.read("home/.config/autostart/com.orvane.app.desktop");
    EXPECT_NE(text.find("[Desktop Entry]"), std::string::npos);
    EXPECT_NE(text.find("Type=Application"), std::string::npos);
    EXPECT_NE(text.find("Name=Orvane"), std::string::npos);
    EXPECT_NE(text.find("X-GNOME-Autostart-enabled=true"), std::string::npos);
    EXPECT_EQ(launchedCommand(entry),
              (std::vector<std::string>{"/opt/orvane/bin/orvane", "--background"}));

    ASSERT_TRUE(item->setEnabled(true).ok()) << "enabling twice replaces the entry";
    EXPECT_EQ(entriesOf(home.home() + "/.config/autostart"),
              std::vector<std::string>{"com.orvane.app.desktop"})
        << "no temporary file left behind";

    ASSERT_TRUE(item->setEnabled(false).ok());
    EXPECT_FALSE(item->isEnabled());
    EXPECT_FALSE(tree.exists("home/.config/autostart/com.orvane.app.desktop"));
    EXPECT_TRUE(item->setEnabled(false).ok()) << "disabling what is not there is not a failure";
}

TEST(AutostartLoginItemTest, ProgramPathsWithShellCharactersSurviveTheLauncher) {
    TempTree tree;
    for (const std::string& program : {std::string("/home/ann/My Apps/orvane"),
                                       std::string("/opt/a$b/\"q\"/back\\slash/100%/orvane")}) {
        AutostartLoginItem item(tree.path("autostart/x.desktop"), program);
        ASSERT_TRUE(item.setEnabled(true).ok());
        EXPECT_EQ(launchedCommand(tree.path("autostart/x.desktop")),
                  (std::vector<std::string>{program, "--background"}))
            << AutostartLoginItem::execLine(program);
    }
}

TEST(AutostartLoginItemTest, EntriesSwitchedOffByTheDesktopCountAsDisabled) {
    TempTree tree;
    AutostartLoginItem item(tree.path("autostart/o.desktop"), "/usr/bin/orvane");
    tree.file("autostart/o.desktop",
              "[Desktop Entry]\nType=Application\nExec=orvane\nHidden=true\n");
    EXPECT_FALSE(item.isEnabled());
    tree.file("autostart/o.desktop",
              "[Desktop Entry]\nType=Application\nExec=orvane\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(item.isEnabled());
    tree.file("autostart/o.desktop", "[Desktop Entry]\nType=Application\nExec=orvane\n");
    EXPECT_TRUE(item.isEnabled());
    tree.file("autostart/o.desktop", "not a key file \x01\x02");
    EXPECT_FALSE(item.isEnabled());
}

TEST(AutostartLoginItemTest, EntryNamesTheInstalledProgramWhenOrvaneIsInstalled) {
    TempTree tree;
    const std::string build = tree.path("src/build/orvane-gui");
    tree.file("src/build/orvane-gui", "#!/bin/sh\n");
    ::chmod(build.c_str(), 0755);
    const std::string bin = tree.path("prefix/bin");
    const std::string other = tree.path("other/bin");
    tree.dir("prefix/bin");
    tree.dir("other/bin");
    tree.file("other/bin/orvane", "the command line, not the window");
    ::chmod(tree.path("other/bin/orvane").c_str(), 0755);

    // Not installed: the entry starts the program that wrote it.
    std::string path = other + ":" + bin;
    EXPECT_EQ(loginItemProgram(build, path.c_str()), build);
    EXPECT_EQ(loginItemProgram(build, nullptr), build);

    // A file of that name that cannot run, or a folder, is no installation.
    tree.file("prefix/bin/orvane-gui", "not executable");
    EXPECT_EQ(loginItemProgram(build, path.c_str()), build);
    tree.dir("other/bin/orvane-gui");
    EXPECT_EQ(loginItemProgram(build, path.c_str()), build);

    // Installed: the entry names the installed copy, however the program was started, and a
    // relative search-path entry (the current folder) never counts.
    ::chmod(tree.path("prefix/bin/orvane-gui").c_str(), 0755);
    EXPECT_EQ(loginItemProgram(build, path.c_str()), bin + "/orvane-gui");
    EXPECT_EQ(loginItemProgram(bin + "/orvane-gui", path.c_str()), bin + "/orvane-gui");
    EXPECT_EQ(loginItemProgram(build, ("::.:src/build:" + bin).c_str()), bin + "/orvane-gui");
    EXPECT_EQ(loginItemProgram(build, ".:src/build"), build);

    AutostartLoginItem item(tree.path("autostart/com.orvane.app.desktop"),
                            loginItemProgram(build, path.c_str()));
    ASSERT_TRUE(item.setEnabled(true).ok());
    EXPECT_EQ(launchedCommand(tree.path("autostart/com.orvane.app.desktop")),
              (std::vector<std::string>{bin + "/orvane-gui", "--background"}));
    const std::string text = tree.read("autostart/com.orvane.app.desktop");
    EXPECT_NE(text.find("TryExec=" + bin + "/orvane-gui\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Icon=com.orvane.app\n"), std::string::npos) << text;
}

TEST(AutostartLoginItemTest, UnwritableFolderIsReported) {
    TempTree tree;
    tree.file("config", "a file where the folder should be");
    AutostartLoginItem item(tree.path("config/autostart/o.desktop"), "/usr/bin/orvane");
    Outcome result = item.setEnabled(true);
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.error.find("login items"), std::string::npos) << result.error;
    EXPECT_EQ(tree.read("config"), "a file where the folder should be");
}

TEST(AtomicFileTest, ReplacesWholeFilesOnly) {
    TempTree tree;
    const std::string target = tree.path("deep/er/settings.conf");
    ASSERT_TRUE(writeFileAtomically(target, "one").ok());
    ASSERT_TRUE(writeFileAtomically(target, std::string("two\0bytes", 9)).ok());
    EXPECT_EQ(tree.read("deep/er/settings.conf"), std::string("two\0bytes", 9));
    EXPECT_EQ(entriesOf(tree.path("deep/er")), std::vector<std::string>{"settings.conf"});

    tree.dir("blocked/settings.conf/inside");  // a folder in the way cannot be replaced
    Outcome blocked = writeFileAtomically(tree.path("blocked/settings.conf"), "x");
    EXPECT_FALSE(blocked.ok());
    EXPECT_TRUE(tree.exists("blocked/settings.conf/inside"));
    EXPECT_EQ(entriesOf(tree.path("blocked")), std::vector<std::string>{"settings.conf"});
}

TEST(LaunchAgentLoginItemTest, PlistAppearsAndDisappearsUnderTheMacHome) {
    TempTree tree;
    const Layout mac = Layout::macLayout(tree.root(), tree.path("Users/ann"));
    auto item = makeLoginItem(mac, "/Applications/Orvane.app/Contents/MacOS/Orvane");
    EXPECT_FALSE(item->isEnabled());
    ASSERT_TRUE(item->setEnabled(true).ok());
    EXPECT_TRUE(item->isEnabled());

    const std::string bytes =
        tree.read("Users/ann/Library/LaunchAgents/com.orvane.app.LaunchHelper.plist");
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    ASSERT_NE(root, nullptr);
    char* label = nullptr;
    plist_get_string_val(plist_dict_get_item(root, "Label"), &label);
    EXPECT_STREQ(label, "com.orvane.app.LaunchHelper");
    std::free(label);
    plist_t args = plist_dict_get_item(root, "ProgramArguments");
    ASSERT_EQ(plist_array_get_size(args), 2u);
    char* program = nullptr;
    plist_get_string_val(plist_array_get_item(args, 0), &program);
    EXPECT_STREQ(program, "/Applications/Orvane.app/Contents/MacOS/Orvane");
    std::free(program);
    plist_free(root);

    ASSERT_TRUE(item->setEnabled(false).ok());
    EXPECT_FALSE(item->isEnabled());
    EXPECT_FALSE(tree.exists("Users/ann/Library/LaunchAgents/com.orvane.app.LaunchHelper.plist"));
}

TEST(LaunchAgentLoginItemTest, DisabledOrDamagedPlistsAreNotEnabled) {
    TempTree tree;
    LaunchAgentLoginItem item(tree.path("LaunchAgents/a.plist"), "/x", "a");
    tree.file("LaunchAgents/a.plist",
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
              "<key>RunAtLoad</key><true/><key>Disabled</key><true/></dict></plist>");
    EXPECT_FALSE(item.isEnabled());
    tree.file("LaunchAgents/a.plist", "<plist><dict><key>RunAtLoad</key><false/></dict></plist>");
    EXPECT_FALSE(item.isEnabled());
    tree.file("LaunchAgents/a.plist", "<plist><dict><key>RunAtLo");
    EXPECT_FALSE(item.isEnabled());
    tree.file("LaunchAgents/a.plist", "");
    EXPECT_FALSE(item.isEnabled());
}

}  // namespace
}  // namespace orvane::platform
