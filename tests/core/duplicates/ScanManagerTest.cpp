#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "core/duplicates/ScanManager.h"
#include "core/settings/PerferenceInfo.h"
#include "support/DriverContract.h"
#include "support/RecordingObserver.h"
#include "support/TempTree.h"

using namespace orvane::duplicates;
using orvane::settings::PerferenceInfo;
using orvane::testing::TempTree;

namespace {

using PathSet = std::set<std::string>;
using GroupSet = std::set<PathSet>;

using orvane::testing::RecordingObserver;

struct Fixture {
    TempTree tree;
    std::shared_ptr<ScanManager> manager;
    std::shared_ptr<RecordingObserver> recorder = std::make_shared<RecordingObserver>();

    explicit Fixture(orvane::platform::Layout layout = orvane::platform::Layout::linuxLayout()) {
        ScanManager::Environment env;
        env.layout = std::move(layout);
        env.settingsPath = tree.path("settings/PreferenceInfo.plist");
        env.homeDirectory = "/Users/me";
        manager = ScanManager::create(std::move(env));
        manager->delegate = recorder;
    }

    // A snapshot with the stored defaults, changed by `edit`.
    void prefer(const std::function<void(PerferenceInfo&)>& edit) {
        manager->preferenceOverride = edit;
        auto p = std::make_shared<PerferenceInfo>(tree.path("settings/PreferenceInfo.plist"));
        if (edit) edit(*p);
        manager->setScanPreference(p);
    }

    PathSet recorded(const std::vector<std::string>& roots) {
        PathSet out;
        auto groups = manager->filterSameSize(roots);
        for (const auto& g : groups.groups)
            for (const auto& f : groups.files(g)) out.insert(f.url);
        return out;
    }

    GroupSet scan(const std::vector<std::string>& roots) {
        manager->folderList = roots;
        manager->scanDuplicateFile();
        manager->waitUntilScanFinished();
        GroupSet out;
        for (auto& g : manager->totalFiles) {
            PathSet members;
            for (auto& f : g->infos()) members.insert(f->path());
            out.insert(members);
        }
        return out;
    }
};

}  // namespace

TEST(ScanManagerRoots, SystemPlacesAndOtherUsersAreLeftOut) {
    Fixture f;
    const std::vector<std::string> in = {"/",
                                         "/Applications/Utilities",
                                         "/Library/Caches",
                                         "/Libraryx",
                                         "/System/x",
                                         "/Users",
                                         "/Users/me",
                                         "/Users/me/Documents",
                                         "/Users/other",
                                         "/data",
                                         "/proc",
                                         "/sys/class"};
    EXPECT_EQ(
        f.manager->cleanRoots(in),
        (std::vector<std::string>{"/", "/Users", "/Users/me", "/Users/me/Documents", "/data"}));
}

TEST(ScanManagerRoots, FrameworkComponentsAnywhereInThePath) {
    EXPECT_TRUE(ScanManager::isInsideFramework("/a/X.framework/b"));
    EXPECT_TRUE(ScanManager::isInsideFramework("/a/X.framework"));
    EXPECT_FALSE(ScanManager::isInsideFramework("/a/X.frameworks/b"));
    EXPECT_FALSE(ScanManager::isInsideFramework("/a/framework/b"));
}

TEST(ScanManagerRoots, WhiteListedRootsAndRootsBelowThemAreSkipped) {
    Fixture f;
    f.tree.file("w/inner/deep/file", "x");
    f.tree.file("other/file", "x");
    f.prefer([&](PerferenceInfo& p) { p.whiteListPath = {f.tree.path("w")}; });
    EXPECT_TRUE(f.manager->whitePathIgnore(f.tree.path("w")));
    EXPECT_TRUE(f.manager->whitePathIgnore(f.tree.path("w/inner/deep")));
    EXPECT_FALSE(f.manager->whitePathIgnore(f.tree.path("w/inner/missing")));
    EXPECT_FALSE(f.manager->whitePathIgnore(f.tree.path("other")));
    EXPECT_FALSE(f.manager->whitePathIgnore(f.tree.path("wx")));
    f.manager->setScanPreference(nullptr);
    EXPECT_FALSE(f.manager->whitePathIgnore(f.tree.path("w")));
}

TEST(ScanManagerIgnore, RulesApplyInOrderAndBoundsAreInclusive) {
    Fixture f;
    ResourceValues hidden;
    hidden.setFlag(ResourceValues::isHiddenKey, true);
    const ResourceValues plain;
    // No snapshot: everything is kept.
    f.manager->setScanPreference(nullptr);
    EXPECT_FALSE(f.manager->ignoreFile("/x/.a.mov", 0, hidden));

    f.prefer([](PerferenceInfo& p) {
        p.whiteListPath = {"/x/listed.txt"};
        p.omitPicture = false;  // pictures are not scanned
        p.enableMinSize = true;
        p.minSize = 1'048'576;
        p.enableMaxSize = true;
        p.maxSize = 2'000'000;
    });
    EXPECT_TRUE(f.manager->ignoreFile("/x/listed.txt", 1'500'000, plain));
    EXPECT_TRUE(f.manager->ignoreFile("/x/photo.JPG", 1'500'000, plain));
    EXPECT_FALSE(f.manager->ignoreFile("/x/a.txt", 1'048'576, plain));
    EXPECT_TRUE(f.manager->ignoreFile("/x/a.txt", 1'048'575, plain));
    EXPECT_FALSE(f.manager->ignoreFile("/x/a.txt", 2'000'000, plain));
    EXPECT_TRUE(f.manager->ignoreFile("/x/a.txt", 2'000'001, plain));
    EXPECT_TRUE(
        f.manager->ignoreFile("/x/.a.txt", 1'500'000, hidden));  // hidden omitted by default
    EXPECT_TRUE(f.manager->ignoreFile("/x/empty", 0, plain));    // zero byte omitted by default

    f.prefer([](PerferenceInfo& p) {
        p.omitHidden = false;
        p.omitZeroByte = false;
        p.enableMinSize = false;  // a disabled bound is not applied whatever its value
        p.minSize = 100;
    });
    EXPECT_FALSE(f.manager->ignoreFile("/x/.a.txt", 5, hidden));
    EXPECT_FALSE(f.manager->ignoreFile("/x/empty", 0, plain));
}

TEST(ScanManagerEnumeration, HiddenFilesFollowTheSettingButHiddenFoldersAreNeverEntered) {
    Fixture f;
    for (const char* p : {"r/a.txt", "r/b.txt", "r/.c.txt", "r/.dir/d.txt", "r/sub/e.txt"})
        f.tree.file(p, "same");
    f.prefer([](PerferenceInfo& p) { p.omitHidden = false; });
    EXPECT_EQ(f.recorded({f.tree.path("r")}),
              (PathSet{f.tree.path("r/a.txt"), f.tree.path("r/b.txt"), f.tree.path("r/.c.txt"),
                       f.tree.path("r/sub/e.txt")}));
    f.prefer({});
    EXPECT_EQ(
        f.recorded({f.tree.path("r")}),
        (PathSet{f.tree.path("r/a.txt"), f.tree.path("r/b.txt"), f.tree.path("r/sub/e.txt")}));
}

TEST(ScanManagerEnumeration, IgnoredExtensionsFrameworksAndWhiteListedFoldersAreNotRecorded) {
    Fixture f;
    for (const char* p :
         {"r/keep1.txt", "r/keep2.txt", "r/data.JSON", "r/conf.json", "r/X.framework/in.txt",
          "r/X.framework/deep/in2.txt", "r/white/w.txt", "r/dir.json/inside.txt"})
        f.tree.file(p, "content!");
    f.prefer([&](PerferenceInfo& p) { p.whiteListPath = {f.tree.path("r/white")}; });
    EXPECT_EQ(f.recorded({f.tree.path("r")}),
              (PathSet{f.tree.path("r/keep1.txt"), f.tree.path("r/keep2.txt"),
                       f.tree.path("r/dir.json/inside.txt")}));
    // A root inside a framework yields nothing.
    EXPECT_TRUE(f.recorded({f.tree.path("r/X.framework")}).empty());
}

TEST(ScanManagerEnumeration, KindsZeroBytesAndSymlinks) {
    Fixture f;
    f.tree.file("r/p1.png", "img");
    f.tree.file("r/p2.png", "img");
    f.tree.file("r/e1");
    f.tree.file("r/e2");
    f.tree.symlink("p1.png", "r/link.png");
    f.tree.symlink("missing", "r/broken");
    f.prefer([](PerferenceInfo& p) { p.omitPicture = false; });
    EXPECT_TRUE(f.recorded({f.tree.path("r")}).empty());  // pictures off, empties omitted
    f.prefer([](PerferenceInfo& p) { p.omitZeroByte = false; });
    // A link is recorded with size 0 beside the empty files; a dangling one cannot be read.
    const GroupSet groups = f.scan({f.tree.path("r")});
    EXPECT_EQ(groups,
              (GroupSet{{f.tree.path("r/p1.png"), f.tree.path("r/p2.png")},
                        {f.tree.path("r/e1"), f.tree.path("r/e2"), f.tree.path("r/link.png")}}));
}

TEST(ScanManagerScan, TheDriverKeepsTheContractOfEveryModule) {
    Fixture f;
    f.tree.file("r/doc1.pdf", "pdf!");
    f.tree.file("r/sub/doc2.pdf", "pdf!");
    f.prefer({});
    f.manager->folderList = {f.tree.path("r")};
    orvane::testing::expectDriverContract(*f.manager);
    EXPECT_EQ(f.manager->scanTotals().count, 2);
}

TEST(ScanManagerScan, HardLinksAreReportedAndResultsAreFiledByKind) {
    Fixture f;
    f.tree.file("r/movie.mp4", std::string(5000, 'm'));
    f.tree.hardlink("r/movie.mp4", "r/again.mp4");
    f.tree.file("r/doc1.pdf", "pdf!");
    f.tree.file("r/sub/doc2.pdf", "pdf!");
    f.tree.file("r/odd.pdf", "pdf?");
    f.prefer({});
    const auto groups = f.scan({f.tree.path("r")});
    EXPECT_EQ(groups, (GroupSet{{f.tree.path("r/again.mp4"), f.tree.path("r/movie.mp4")},
                                {f.tree.path("r/doc1.pdf"), f.tree.path("r/sub/doc2.pdf")}}));
    auto& m = *f.manager;
    EXPECT_EQ(m.totalFilesCount, 4);
    EXPECT_EQ(m.totalFilesSize, 5008u);  // two names of one file: its bytes count once
    EXPECT_EQ(m.videoFiles.size(), 1u);
    EXPECT_EQ(m.videoFilesSize, 5000u);
    EXPECT_EQ(m.documentFilesCount, 2);
    EXPECT_TRUE(m.pictureFiles.empty());
    EXPECT_TRUE(m.scanFinished);
    EXPECT_FALSE(m.scaning);
    EXPECT_DOUBLE_EQ(m.scanningProgress.load(), 1.0);
    ASSERT_TRUE(m.startTime && m.endTime);
    EXPECT_LE(*m.startTime, *m.endTime);
    EXPECT_EQ(f.recorder->scanCalls(), (std::vector<std::string>{"start", "finished"}));
    // Members come in ascending path order.
    for (auto& g : m.totalFiles)
        EXPECT_TRUE(std::is_sorted(g->infos().begin(), g->infos().end(),
                                   [](auto& a, auto& b) { return a->path() < b->path(); }));
    // A new scan starts from empty lists.
    f.tree.file("r/odd.pdf", "pdf!");
    EXPECT_EQ(f.scan({f.tree.path("r")}).size(), 2u);
    EXPECT_EQ(m.documentFilesCount, 3);
}

TEST(ScanManagerScan, StopDuringEnumerationEndsEmptyWithScanFinished) {
    Fixture f;
    for (int i = 0; i < 400; ++i)
        f.tree.file("r/d" + std::to_string(i % 20) + "/f" + std::to_string(i), "same");
    f.prefer({});
    struct Stopper final : ScanManagerProtocol {
        std::weak_ptr<ScanManager> m;
        std::atomic<int> finished{0}, stops{0};
        void startScan() override {
            if (auto s = m.lock()) s->stopScanning();
        }
        void stopScan() override { ++stops; }
        void scanFinished() override { ++finished; }
    };
    auto stopper = std::make_shared<Stopper>();
    stopper->m = f.manager;
    f.manager->delegate = stopper;
    EXPECT_TRUE(f.scan({f.tree.path("r")}).empty());
    EXPECT_EQ(stopper->finished, 1);
    EXPECT_GE(stopper->stops, 1);
    EXPECT_EQ(f.manager->totalFilesCount, 0);
}

TEST(ScanManagerScan, GroupsWithoutAVolumeAreDroppedAndSolidStateVolumesGoToTheWideQueue) {
    struct Disks final : orvane::platform::DiskInventory {
        std::vector<orvane::platform::DiskInfo> allDevices() const override {
            return {orvane::platform::DiskInfo::fromCharacteristics(
                {{"Product Name", "FastDisk"}, {"Medium Type", "Solid State"}})};
        }
        std::string getDeviceModel(const std::string&) const override { return "FastDisk"; }
    };
    TempTree tree;
    tree.file("r/a", "same");
    tree.file("r/b", "same");
    for (bool withVolume : {false, true}) {
        ScanManager::Environment env;
        env.settingsPath = tree.path("settings.plist");
        env.diskInventory = std::make_shared<Disks>();
        env.volumeOf = [&](const std::string&) -> std::optional<orvane::platform::VolumeInfo> {
            if (!withVolume) return std::nullopt;
            orvane::platform::VolumeInfo v;
            v.mountPoint = tree.root();
            return v;
        };
        auto m = ScanManager::create(std::move(env));
        m->folderList = {tree.path("r")};
        m->scanDuplicateFile();
        m->waitUntilScanFinished();
        EXPECT_EQ(m->totalFiles.size(), withVolume ? 1u : 0u);
        if (withVolume) {
            EXPECT_EQ(m->volumeTypeOfDisk.at(tree.root()), true);
        }
    }
}

TEST(ScanManagerLayouts, MacApplicationsAreOneItemAndPackagesAreNotEntered) {
    TempTree layoutRoot;
    Fixture f(orvane::platform::Layout::macLayout(layoutRoot.root(), layoutRoot.path("Users/me")));
    for (const char* app : {"r/One.app", "r/Two.app"}) {
        f.tree.file(std::string(app) + "/Contents/Info.plist", "<plist/>");
        f.tree.file(std::string(app) + "/Contents/MacOS/bin", "binary");
    }
    f.tree.file("r/Lib.bundle/Contents/x.txt", "inside");
    f.tree.file("r/y.txt", "inside");
    f.prefer({});
    EXPECT_EQ(f.recorded({f.tree.path("r")}),
              (PathSet{f.tree.path("r/One.app"), f.tree.path("r/Two.app")}));
    // On the freedesktop layout the same folders are plain folders.
    Fixture linux;
    linux.prefer({});
    EXPECT_EQ(linux.recorded({f.tree.path("r")}),
              (PathSet{f.tree.path("r/Lib.bundle/Contents/x.txt"), f.tree.path("r/y.txt"),
                       f.tree.path("r/One.app/Contents/MacOS/bin"),
                       f.tree.path("r/Two.app/Contents/MacOS/bin")}));
}

TEST(ScanManagerScan, MissingRootsAndNamesWithNewlinesOrBadBytes) {
    Fixture f;
    const std::string odd = "r/bad\xff\nname.txt";
    f.tree.file(odd, "twins");
    f.tree.file("r/plain.txt", "twins");
    f.prefer({});
    EXPECT_EQ(f.scan({f.tree.path("missing"), f.tree.path("r")}),
              (GroupSet{{f.tree.path(odd), f.tree.path("r/plain.txt")}}));
}
