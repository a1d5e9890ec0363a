#include <gtest/gtest.h>

#include <thread>

#include "core/settings/PlistFile.h"
#include "core/settings/UserDefaults.h"
#include "support/TempTree.h"

using namespace orvane::settings;
using orvane::testing::ScopedHome;
using orvane::testing::TempTree;

TEST(UserDefaults, StoresEachTypeAndReadsItBackInANewInstance) {
    TempTree t;
    ScopedHome home(t);
    const std::string path = UserDefaults::defaultPath();
    EXPECT_EQ(path, home.home() + "/.config/com.orvane.app/UserDefaults.plist");
    {
        UserDefaults d(path);
        EXPECT_FALSE(d.boolForKey(defaultskey::autoStartup));
        EXPECT_TRUE(d.setBool(defaultskey::autoStartup, false));
        EXPECT_TRUE(d.setInteger(defaultskey::dupImageRemoveType, 0));
        EXPECT_TRUE(d.setString(defaultskey::lastKnownAppVersion, "0.1.0"));
        EXPECT_TRUE(d.setString(defaultskey::lastSelectPath, "/home/u/Pictures"));
        EXPECT_TRUE(d.setArray(defaultskey::languageSelectedItems,
                               Array{PlistValue("English"), PlistValue("Deutsch")}));
        EXPECT_TRUE(d.setBool(defaultskey::completeScan, true));
    }
    UserDefaults d(path);
    EXPECT_EQ(d.boolForKey(defaultskey::autoStartup), false);
    EXPECT_EQ(d.integerForKey(defaultskey::dupImageRemoveType), 0);
    EXPECT_EQ(d.stringForKey(defaultskey::lastKnownAppVersion), "0.1.0");
    EXPECT_EQ(d.stringForKey(defaultskey::lastSelectPath), "/home/u/Pictures");
    ASSERT_TRUE(d.arrayForKey(defaultskey::languageSelectedItems));
    EXPECT_EQ(d.arrayForKey(defaultskey::languageSelectedItems)->size(), 2u);
    EXPECT_EQ(d.boolForKey(defaultskey::completeScan), true);
    // A value of another type is not returned as this one.
    EXPECT_FALSE(d.integerForKey(defaultskey::autoStartup));
    EXPECT_FALSE(d.stringForKey(defaultskey::dupImageRemoveType));

    EXPECT_TRUE(d.removeObject(defaultskey::completeScan));
    EXPECT_FALSE(UserDefaults(path).boolForKey(defaultskey::completeScan));
}

TEST(UserDefaults, TwoWritersDoNotWipeEachOthersKeys) {
    TempTree t;
    const std::string path = t.path("defaults.plist");
    UserDefaults window(path);
    UserDefaults commandLine(path);
    window.setBool("CompleteScan", true);
    commandLine.setString("LastSelectPath", "/x");
    window.setInteger("dupImageRemoveType", 1);
    UserDefaults fresh(path);
    EXPECT_EQ(fresh.boolForKey("CompleteScan"), true);
    EXPECT_EQ(fresh.stringForKey("LastSelectPath"), "/x");
    EXPECT_EQ(fresh.integerForKey("dupImageRemoveType"), 1);
}

TEST(UserDefaults, ConcurrentSettersAllLand) {
    TempTree t;
    const std::string path = t.path("defaults.plist");
    UserDefaults d(path);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&d, i] {
            for (int j = 0; j < 10; ++j) d.setInteger("k" + std::to_string(i), j);
        });
    for (auto& th : threads) th.join();
    UserDefaults fresh(path);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(fresh.integerForKey("k" + std::to_string(i)), 9);
}

TEST(UserDefaults, DamagedFileReadsEmptyAndIsKeptAsideOnTheNextSave) {
    TempTree t;
    const std::string path = t.file("defaults.plist", "<?xml version=\"1.0\"?><plist><dict><key>");
    UserDefaults d(path);
    EXPECT_FALSE(d.boolForKey("CompleteScan"));
    EXPECT_EQ(t.read("defaults.plist"), "<?xml version=\"1.0\"?><plist><dict><key>");
    EXPECT_TRUE(d.setBool("CompleteScan", true));
    EXPECT_EQ(t.read("defaults.plist.corrupt"), "<?xml version=\"1.0\"?><plist><dict><key>");
    EXPECT_EQ(UserDefaults(path).boolForKey("CompleteScan"), true);
}

TEST(UserDefaults, UnwritableFileKeepsTheValueForThisRun) {
    TempTree t;
    t.file("blocker", "x");
    UserDefaults d(t.path("blocker/defaults.plist"));
    EXPECT_FALSE(d.setString("LastSelectPath", "/y"));
    EXPECT_EQ(d.stringForKey("LastSelectPath"), "/y");
}
