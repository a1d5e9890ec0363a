#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>

#include "JunkFixture.h"
#include "core/junk/CleanManager.h"
#include "core/junk/JunkSubcategory.h"
#include "kit/Resources.h"
#include "support/DriverContract.h"

namespace orvane::junk {
namespace {

using testing::LinuxHome;
using testing::MacTree;
using testing::setupFor;

class Recorder final : public TrashScanManagerDelegate {
public:
    void startScanTrash() override { ++starts; }
    void stopScanTrash() override { ++stops; }
    void scanGetSupportApp(const CleanBaseModelPtr& model) override { supportApps = model; }
    void scanTrashFetchData(const CleanBaseModelPtr& model, const CleanBaseItemPtr& item,
                            double progress) override {
        std::lock_guard lock(mutex);
        progressValues.push_back(progress);
        items[model->junkType].push_back(item);
        if (onItem) onItem();
    }
    void scanTrashProgress(double progress) override {
        std::lock_guard lock(mutex);
        progressValues.push_back(progress);
    }
    void scanTrashCompleted() override { ++completions; }
    void scanTrashCancel() override { ++cancels; }

    std::atomic<int> starts{0}, stops{0}, completions{0}, cancels{0};
    std::mutex mutex;
    std::vector<double> progressValues;
    std::map<std::uint32_t, std::vector<CleanBaseItemPtr>> items;
    CleanBaseModelPtr supportApps;
    std::function<void()> onItem;
};

std::set<std::string> pathsOf(const CleanBaseModelPtr& model, const std::string& base) {
    std::set<std::string> out;
    for (const auto& item : model->allItems)
        out.insert(item->url.starts_with(base) ? item->url.substr(base.size()) : item->url);
    return out;
}

class LinuxScan : public testing::LinuxJunk {
protected:
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();

    std::unique_ptr<CleanManager> scan(
        std::optional<std::string> rules = kit::resourceFile("junk/linux/garbageConfig.xml")) {
        auto manager = std::make_unique<CleanManager>(setup(std::move(rules)));
        manager->scanDelegate = recorder;
        manager->beforeScan();
        manager->scanAcition();
        return manager;
    }
};

TEST_F(LinuxScan, FindsWhatPeopleAccumulateAndNothingThatOnlyLooksLikeIt) {
    ASSERT_TRUE(kit::resourceFile("junk/linux/garbageConfig.xml"));
    auto manager = scan();
    EXPECT_EQ(manager->ruleError(), "");
    EXPECT_EQ(pathsOf(manager->cleanSystemJunkModel, base),
              (std::set<std::string>{
                  ".cache/thumbnails/large", ".cache/thumbnails/normal", ".cache/pip",
                  ".npm/_cacache", ".cache/go-build", ".cache/ccache", ".xsession-errors",
                  rootBase + "var/log/syslog.1", rootBase + "var/log/apt/history.log.2.gz",
                  rootBase + "var/cache/apt/archives/vim_9.0_amd64.deb",
                  rootBase + "var/crash/_usr_bin_x.1000.crash"}));
    EXPECT_EQ(
        pathsOf(manager->cleanNetModel, base),
        (std::set<std::string>{
            ".cache/chromium/Default/Cache", ".cache/chromium/Default/Code Cache",
            ".cache/mozilla/firefox/x1y2.default/cache2", ".var/app/org.mozilla.firefox/cache"}));
    EXPECT_EQ(pathsOf(manager->cleanTrashModel, base),
              (std::set<std::string>{".local/share/Trash/files/draft.odt"}));
    EXPECT_EQ(pathsOf(manager->cleanPackageModel, base),
              (std::set<std::string>{"Downloads/app_2.0_amd64.deb", "Downloads/tool.AppImage",
                                     "Downloads/archive.zip"}))
        << "a .tar.gz has the extension gz and is no installer";

    // Nothing anywhere names a look-alike.
    for (const auto& model : manager->getModels())
        for (const auto& item : model->allItems)
            for (const std::string bad :
                 {"cookies", "Preferences", "keyring", "keepassxc", "Inbox", "thesis", "holiday",
                  "/syslog", "dpkg.log", "old.1", "pkgcache", "lock", "partial"})
                if (!item->url.ends_with("syslog.1")) {
                    EXPECT_EQ(item->url.find(bad), std::string::npos) << item->url;
                }
    for (const std::string rel : kLookAlikes)
        for (const auto& model : manager->getModels())
            for (const auto& item : model->allItems) EXPECT_FALSE(item->url.ends_with(rel)) << rel;
}

TEST_F(LinuxScan, TheDriverKeepsTheContractOfEveryModule) {
    CleanManager manager(setup());
    manager.scanDelegate = recorder;
    orvane::testing::expectDriverContract(manager);
}

TEST_F(LinuxScan, ItemsCarryHeadingsSelectionAndTheScanIdentity) {
    auto manager = scan();
    std::map<std::string, CleanBaseItemPtr> byName;
    for (const auto& model : manager->getModels())
        for (const auto& item : model->allItems)
            byName[item->url.substr(item->url.rfind('/') + 1)] = item;
    EXPECT_EQ(byName.at("normal")->groupName, "Thumbnails");
    EXPECT_TRUE(byName.at("normal")->isSelected);
    EXPECT_EQ(byName.at("pip")->groupName, "pip");
    EXPECT_EQ(byName.at("pip")->itemType, CleanModelItemType::xcodeFile)
        << "developer caches form their own group";
    EXPECT_TRUE(byName.at("pip")->isSelected);
    EXPECT_FALSE(byName.at("ccache")->isSelected) << "costly to rebuild: offered, not preselected";
    EXPECT_EQ(byName.at("cache2")->groupName, "Firefox");
    EXPECT_EQ(byName.at("cache2")->netJunkType, InternetJunkType::firefoxCache);
    EXPECT_EQ(byName.at(".xsession-errors")->cleanType, CleanType::truncate);
    EXPECT_EQ(byName.at("syslog.1")->systemJunkType, SystemJunkType::systemLogs);
    EXPECT_FALSE(byName.at("archive.zip")->isSelected) << "downloads are never preselected";
    EXPECT_EQ(byName.at("draft.odt")->size(), 5);
    EXPECT_EQ(byName.at("cache2")->size(), 2);
    EXPECT_TRUE(byName.at("draft.odt")->scannedKnown);
    EXPECT_TRUE(byName.at("draft.odt")->scanned.isRegular());
    EXPECT_EQ(byName.at("draft.odt")->scanned.size, 5u);
    EXPECT_TRUE(byName.at("cache2")->scanned.isFolder());

    std::uint64_t sum = 0;
    for (const auto& model : manager->getModels())
        sum += static_cast<std::uint64_t>(model->totalSize());
    EXPECT_EQ(manager->totalJunkSize.load(), sum);
}

TEST_F(LinuxScan, ProgressMovesThroughTheBandsAndEndsComplete) {
    auto manager = scan();
    EXPECT_EQ(recorder->starts.load(), 1);
    EXPECT_EQ(recorder->completions.load(), 1);
    EXPECT_EQ(manager->scanState.load(), ScanState::completed);
    ASSERT_FALSE(recorder->progressValues.empty());
    EXPECT_TRUE(std::is_sorted(recorder->progressValues.begin(), recorder->progressValues.end()));
    EXPECT_DOUBLE_EQ(recorder->progressValues.back(), 1.0);
    for (double v : recorder->progressValues) {
        EXPECT_GE(v, 0.0);
        EXPECT_LE(v, 1.0);
    }
    EXPECT_DOUBLE_EQ(ScanOperation::overallProgress(ScanStageType::scanStageApp, 7, 7), 0.6);
    EXPECT_DOUBLE_EQ(ScanOperation::overallProgress(ScanStageType::scanStagetrash, 0, 7), 0.6);
    EXPECT_DOUBLE_EQ(ScanOperation::overallProgress(ScanStageType::scanStageInternetJunks, 99, 7),
                     1.0);
}

TEST_F(LinuxScan, KindsOnlyTestAndRescansStartAfresh) {
    auto manager = std::make_unique<CleanManager>(setup());
    manager->onlyTest = true;
    manager->beforeScan();
    manager->scanAcition();
    EXPECT_TRUE(manager->cleanSystemJunkModel->allItems.empty());
    EXPECT_TRUE(manager->cleanNetModel->allItems.empty());
    EXPECT_EQ(manager->cleanTrashModel->allItems.size(), 1u);
    EXPECT_EQ(manager->cleanPackageModel->allItems.size(), 3u);

    manager->onlyTest = false;
    manager->scanKinds = static_cast<std::uint32_t>(CleanJunkType::internetJunk);
    manager->beforeScan();
    manager->scanAcition();
    EXPECT_TRUE(manager->cleanTrashModel->allItems.empty())
        << "a new scan discards the previous results";
    EXPECT_EQ(manager->cleanNetModel->allItems.size(), 4u);
}

TEST_F(LinuxScan, NoByteIsCountedTwiceWhenRulesOverlap) {
    // Two rules naming the same cache and one naming a folder inside it.
    const std::string rules = home.file("overlap.xml", R"(<garbage>
      <category id="1"><item id="a"><title>System Caches</title>
        <action type="dir"><path value="~/.cache/chromium" level="0"/></action>
        <action type="dir"><path value="~/.cache/chromium" level="0"/></action>
        <action type="dir"><path value="~/.cache/chromium/Default" level="1"/></action>
      </item></category>
      <category id="3"><item id="b"><title>Chrome</title>
        <action type="dir"><path value="~/.cache/chromium/Default/Cache" level="0"/></action>
      </item></category></garbage>)");
    auto manager = scan(rules);
    EXPECT_EQ(pathsOf(manager->cleanSystemJunkModel, base).count(".cache/chromium"), 1u);
    EXPECT_EQ(manager->cleanSystemJunkModel->allItems.size(), 1u);
    EXPECT_TRUE(manager->cleanNetModel->allItems.empty());
}

TEST_F(LinuxScan, WithoutRulesTheBuiltInListsStillRun) {
    auto manager = scan(std::nullopt);
    EXPECT_FALSE(manager->ruleError().empty());
    EXPECT_EQ(pathsOf(manager->cleanSystemJunkModel, base),
              (std::set<std::string>{".cache/thumbnails/large", ".cache/thumbnails/normal"}));
    EXPECT_TRUE(manager->cleanNetModel->allItems.empty());
    EXPECT_EQ(manager->cleanTrashModel->allItems.size(), 1u);

    const std::string broken = home.file("broken.xml", "<garbage><category id=\"1\"><item");
    manager = scan(broken);
    EXPECT_FALSE(manager->ruleError().empty());
    EXPECT_EQ(manager->cleanSystemJunkModel->allItems.size(), 2u);
}

TEST_F(LinuxScan, StopEndsTheScanAtItsNextPausePoint) {
    for (int i = 0; i < 300; ++i) home.file(".local/share/Trash/files/f" + std::to_string(i), "x");
    auto manager = std::make_unique<CleanManager>(setup());
    manager->scanDelegate = recorder;
    std::atomic<int> seen{0};
    recorder->onItem = [&] {
        if (++seen == 5) manager->stopScan();
    };
    manager->startScan();
    manager->waitUntilScanFinished();
    EXPECT_EQ(recorder->stops.load(), 1);
    EXPECT_EQ(recorder->completions.load(), 0);
    EXPECT_GE(recorder->cancels.load(), 1);
    EXPECT_EQ(manager->scanState.load(), ScanState::idle);
    std::size_t found = 0;
    for (const auto& model : manager->getModels()) found += model->allItems.size();
    EXPECT_LT(found, 100u);
}

TEST_F(LinuxScan, UnreadableFoldersAndVanishingPathsArePassedOver) {
    home.file(".cache/chromium/Profile 1/Cache/x", "x");
    home.tree.chmod("home/.cache/chromium/Profile 1", 0);
    auto manager = scan();
    home.tree.chmod("home/.cache/chromium/Profile 1", 0755);
    EXPECT_GE(manager->cleanNetModel->allItems.size(), 4u);
}

TEST_F(LinuxScan, LoginItemsOfRemovedProgramsAreReported) {
    home.file(".config/autostart/gone-tool.desktop",
              "[Desktop Entry]\nName=Gone\nExec=/opt/gone/bin/tool --tray\n");
    home.file(".config/autostart/present.desktop", "[Desktop Entry]\nExec=sh -c true\n");
    home.file(".config/autostart/old-flatpak.desktop",
              "[Desktop Entry]\nExec=/usr/bin/flatpak run --command=x org.example.Removed\n");
    home.file(".config/autostart/com.orvane.app.desktop",
              "[Desktop Entry]\nExec=/nowhere/orvane\n");
    home.file(".config/systemd/user/sync-daemon.service",
              "[Unit]\nDescription=x\n[Service]\nExecStart=-\"/opt/sync daemon/run\" --fg\n");
    home.file(".config/systemd/user/fine.service", "[Service]\nExecStart=/bin/sh -c true\n");
    home.tree.symlink("/dev/null", "home/.config/systemd/user/masked.service");
    home.tree.file("root/etc/xdg/autostart/system-gone.desktop",
                   "[Desktop Entry]\nExec=/nowhere/x\n");
    auto manager = scan();
    std::map<std::string, CleanBaseItemPtr> found;
    for (const auto& item : manager->cleanSystemJunkModel->allItems)
        if (item->systemJunkType == SystemJunkType::noUseLoginItems)
            found[item->url.substr(base.size())] = item;
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found.at(".config/autostart/gone-tool.desktop")->appName, "Gone Tool");
    EXPECT_EQ(found.at(".config/autostart/old-flatpak.desktop")->bundleIdentifier,
              "org.example.Removed");
    EXPECT_EQ(found.at(".config/autostart/old-flatpak.desktop")->appName, "Removed");
    EXPECT_EQ(found.at(".config/autostart/gone-tool.desktop")->groupName, "Unused Login Items");
    EXPECT_TRUE(found.count(".config/systemd/user/sync-daemon.service"));
}

TEST(UnusedArtifacts, NamesAndIdentifiers) {
    EXPECT_EQ(UnusedArtifactDetector::displayName("com.example.disk-helper"), "Disk Helper");
    EXPECT_EQ(UnusedArtifactDetector::displayName("com.example.sync_agent."), "Sync Agent");
    EXPECT_EQ(UnusedArtifactDetector::displayName("..."), "...");
    EXPECT_FALSE(UnusedArtifactDetector::isLikelyBundleIdentifier("com.example helper"));
    EXPECT_FALSE(UnusedArtifactDetector::isLikelyBundleIdentifier("nodots"));
    EXPECT_TRUE(UnusedArtifactDetector::isLikelyBundleIdentifier("com.example.x"));
    EXPECT_EQ(UnusedArtifactDetector::sanitizeExecutablePath("  \"~/bin/x\" ", "/h"), "/h/bin/x");
    EXPECT_EQ(UnusedArtifactDetector::containingAppPath("/A/X.app/Contents/MacOS/x"), "/A/X.app");
}

TEST(ScreenGroups, StatesAndSizesComeFromTheItems) {
    LinuxHome home;
    auto model = std::make_shared<CleanSystemJunkModel>();
    JunkCategory category(model);
    auto make = [&](const std::string& rel, int size, const std::string& group, bool selected) {
        auto item = std::make_shared<CleanSystemJunkItem>(
            home.tree.fileOfSize("home/" + rel, static_cast<std::uint64_t>(size)));
        item->groupName = group;
        item->isSelected = selected;
        category.addItem(item);
        return item;
    };
    make("a", 10, "Thumbnails", true);
    make("b", 20, "Thumbnails", true);
    auto c = make("c", 40, "Logs", false);
    EXPECT_EQ(category.subcategories().size(), 2u);
    EXPECT_EQ(category.subcategory("Thumbnails")->state(), CheckState::on);
    EXPECT_EQ(category.subcategory("Logs")->state(), CheckState::off);
    EXPECT_EQ(category.state(), CheckState::mixed);
    EXPECT_EQ(category.size(), 70);
    EXPECT_EQ(category.selectedSize(), 30);

    auto nested = std::make_shared<JunkSubcategory>("Nested", model);
    auto inner = std::make_shared<CleanSystemJunkItem>(home.tree.fileOfSize("home/n", 5));
    nested->addFile(inner);
    category.subcategory("Logs")->addSubcategory(nested);
    auto hidden = std::make_shared<CleanSystemJunkItem>(home.tree.fileOfSize("home/h", 1));
    category.subcategory("Logs")->addHiddenItem(hidden);
    category.subcategory("Logs")->setItemState(true);
    EXPECT_TRUE(c->isSelected);
    EXPECT_TRUE(inner->isSelected);
    EXPECT_TRUE(hidden->isSelected);
    EXPECT_EQ(category.state(), CheckState::on);
    EXPECT_EQ(category.selectedSize(), 75);
    inner->isSelected = false;
    EXPECT_EQ(category.subcategory("Logs")->state(), CheckState::mixed);
    category.setItemState(false);
    EXPECT_EQ(category.state(), CheckState::off);
    EXPECT_EQ(category.selectedSize(), 0);
}

TEST(MacScan, TheRulesOfTheMacLayoutOnAFixtureTree) {
    MacTree mac;
    const auto rules = kit::resourceFile("junk/mac/garbageConfig.xml");
    ASSERT_TRUE(rules);
    mac.app("Applications/Editor.app", "com.example.editor", "1.0", "1", "Editor");
    mac.file("Applications/Editor.app/Contents/Resources/fr.lproj/x", "12");
    mac.file("Applications/Editor.app/Contents/Resources/en.lproj/x", "12");
    mac.file("Users/me/Library/Caches/com.example.editor/blob", "cache");
    mac.file("Users/me/Library/Caches/com.apple.Safari/Cache.db", "safari");
    mac.file("Users/me/Library/Caches/Firefox/Profiles/ab.default/cache2/e", "ff");
    mac.file("Users/me/Library/Developer/Xcode/DerivedData/Proj-abc/Build/x", "dd");
    mac.file("Users/me/Library/Logs/tool/old.log", "log");
    mac.file("Users/me/.Trash/old.doc", "doc");
    mac.file("Users/me/Downloads/Installer.dmg", "dmg");
    mac.file("Users/me/Downloads/report.tar.gz", "tgz");
    mac.file("private/var/log/system.log.0.gz", "gz");
    mac.file("Library/LaunchAgents/com.gone.helper.plist",
             "<?xml version=\"1.0\"?><plist "
             "version=\"1.0\"><dict><key>Label</key><string>com.gone.helper</string>"
             "<key>Program</key><string>/Applications/Gone.app/Contents/MacOS/helper</string></"
             "dict></plist>");
    mac.file(
        "Library/LaunchAgents/com.apple.thing.plist",
        "<?xml version=\"1.0\"?><plist "
        "version=\"1.0\"><dict><key>Label</key><string>com.apple.thing</string></dict></plist>");
    mac.env->now = [] { return 4102444800.0; };  // 2100: every log is old enough

    auto manager =
        std::make_unique<CleanManager>(setupFor(mac.env, rules, mac.tree.file("mountinfo", "")));
    manager->beforeScan();
    manager->scanAcition();
    const std::string home = mac.home("");
    auto system = pathsOf(manager->cleanSystemJunkModel, home);
    EXPECT_TRUE(system.count("Library/Caches/com.example.editor"));
    EXPECT_FALSE(system.count("Library/Caches/com.apple.Safari"))
        << "Apple's own caches are not system junk here";
    EXPECT_TRUE(system.count("Library/Developer/Xcode/DerivedData/Proj-abc"));
    EXPECT_TRUE(system.count("Library/Logs/tool/old.log"));
    EXPECT_TRUE(system.count(mac.root("Applications/Editor.app/Contents/Resources/fr.lproj")));
    EXPECT_FALSE(system.count(mac.root("Applications/Editor.app/Contents/Resources/en.lproj")));
    EXPECT_TRUE(system.count(mac.root("private/var/log/system.log.0.gz")));
    EXPECT_TRUE(system.count(mac.root("Library/LaunchAgents/com.gone.helper.plist")));
    EXPECT_FALSE(system.count(mac.root("Library/LaunchAgents/com.apple.thing.plist")));
    EXPECT_EQ(pathsOf(manager->cleanNetModel, home),
              (std::set<std::string>{"Library/Caches/com.apple.Safari/Cache.db",
                                     "Library/Caches/Firefox/Profiles/ab.default/cache2"}));
    EXPECT_EQ(pathsOf(manager->cleanTrashModel, home), (std::set<std::string>{".Trash/old.doc"}));
    EXPECT_EQ(pathsOf(manager->cleanPackageModel, home),
              (std::set<std::string>{"Downloads/Installer.dmg"}));
    for (const auto& item : manager->cleanSystemJunkModel->allItems) {
        if (item->url.ends_with("DerivedData/Proj-abc")) {
            EXPECT_EQ(item->xcodeJunkType, XcodeJunkType::derivedData);
        }
        if (item->url.ends_with("fr.lproj")) {
            EXPECT_EQ(item->systemJunkType, SystemJunkType::languageFiles);
            EXPECT_EQ(item->groupName, "Französisch");
        }
    }
}

TEST(MacScan, CachesAreAttributedToTheirApplicationOnce) {
    MacTree mac;
    mac.app("Applications/Tool.app", "com.example.Tool", "1.0", "1", "Tool");
    mac.file("Users/me/Library/Caches/COM.EXAMPLE.TOOL/x", "12345");
    mac.file(
        "Users/me/Library/Containers/com.example.Tool/Data/Library/Caches/com.example.Tool.net/y",
        "123");
    mac.file("Users/me/Library/Caches/org.gone.app/z", "1");
    mac.file("Users/me/Library/Logs/com.example.Tool/run.log", "log!");
    mac.file("Users/me/Library/Logs/com.example.Tool/empty.log", "");
    const std::string rules = mac.file("rules.xml", R"(<garbage>
        <filter id="73" column="filename" relation="begin with" value="." action="exclude"/>
        <filter id="74" column="filename" relation="begin with" value="." action="exclude"/>
        <filter id="14" column="filename" relation="end with" value=".log"/></garbage>)");
    auto manager =
        std::make_unique<CleanManager>(setupFor(mac.env, rules, mac.tree.file("mountinfo", "")));
    // Alone: without a system category the built-in lists would offer the whole cache folder first.
    manager->scanKinds = static_cast<std::uint32_t>(CleanJunkType::appJunk);
    manager->beforeScan();
    manager->scanAcition();
    std::map<std::string, CleanBaseItemPtr> found;
    for (const auto& item : manager->cleanAppCacheModel->allItems)
        found[item->url.substr(mac.home("").size())] = item;
    ASSERT_EQ(found.size(), 3u)
        << "the leftover of a removed application has no name and is not offered";
    EXPECT_EQ(found.at("Library/Caches/COM.EXAMPLE.TOOL")->appName, "Tool");
    EXPECT_EQ(found.at("Library/Caches/COM.EXAMPLE.TOOL")->size(), 5);
    EXPECT_EQ(
        found.at("Library/Containers/com.example.Tool/Data/Library/Caches/com.example.Tool.net")
            ->bundleIdentifier,
        "com.example.Tool");
    EXPECT_EQ(found.at("Library/Logs/com.example.Tool/run.log")->appJunkType, 1);
    EXPECT_EQ(manager->cleanAppCacheModel->supportAppList.size(), 1u);
}

}  // namespace
}  // namespace orvane::junk
