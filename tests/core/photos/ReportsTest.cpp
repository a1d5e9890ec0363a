#include <sys/stat.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "PhotoFixture.h"
#include "support/DriverContract.h"

using namespace orvane::photos;
using namespace orvane::photos::testing;

namespace {

std::string report(const std::string& source, const std::vector<std::string>& members) {
    nlohmann::json infos = nlohmann::json::array();
    for (const auto& m : members) infos.push_back({{"path", m}});
    return nlohmann::json::array({{{"path", source}, {"similar_img_infos", infos}}}).dump();
}

}  // namespace

TEST_F(PhotoTest, ReportsWithTheSameReferenceJoinOneGroup) {
    ScanImagesManager m(environment());
    const auto a = tree.file("a.jpg", "aaaa");
    const auto b = tree.file("b.jpg", "bbbbbbbb");
    const auto c = tree.file("c.png", "cc");
    m.jsonDataDidChanged(report(a, {a, b}));
    m.jsonDataDidChanged(report(a, {c}));
    const auto groups = m.dupImages();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0]->groupCount, 3);
    EXPECT_EQ(groups[0]->groupSize, 14);
    EXPECT_EQ(groups[0]->sourceImagePath, a);
    EXPECT_EQ(m.dupFileCount(), 3);
    const auto& item = *groups[0]->dupImageItems[2];
    EXPECT_EQ(item.imageName, "c.png");
    EXPECT_EQ(item.pathExtension, "png");
    EXPECT_EQ(item.imageSize, 2);
    EXPECT_TRUE(item.modifiedDate.has_value());
    EXPECT_EQ(item.modifiedDateStr.size(), 19u);  // "yyyy.MM.dd HH:mm:ss"
    EXPECT_EQ(item.modifiedDateStr[4], '.');
    EXPECT_FALSE(item.dimension);  // not an image
    EXPECT_FALSE(item.isSelect);
}

TEST_F(PhotoTest, MalformedReportsAreSkippedPieceByPiece) {
    ScanImagesManager m(environment());
    const auto a = tree.file("a.jpg", "a");
    const auto b = tree.file("b.jpg", "b");
    for (const char* bad : {"", "not json", "{}", "[]", "{\"path\":1}", "[1,2", "null"})
        m.jsonDataDidChanged(bad);
    EXPECT_TRUE(m.dupImages().empty());
    const nlohmann::json mixed = nlohmann::json::array({
        42,                                                           // not an object
        {{"similar_img_infos", {{{"path", a}}}}},                     // no reference
        {{"path", ""}, {"similar_img_infos", {{{"path", a}}}}},       // empty reference
        {{"path", nullptr}, {"similar_img_infos", {{{"path", a}}}}},  // null reference
        {{"path", "/x/only-ref.jpg"},
         {"similar_img_infos", nlohmann::json::array()}},          // empty list
        {{"path", "/x/ref2.jpg"}, {"similar_img_infos", "nope"}},  // not a list
        {{"path", a},
         {"similar_img_infos",
          {7, {{"path", ""}}, {{"path", 3}}, {{"nopath", 1}}, {{"path", b}}, {{"path", a}}}}},
    });
    m.jsonDataDidChanged(mixed.dump());
    const auto groups = m.dupImages();
    ASSERT_EQ(groups.size(), 1u);
    ASSERT_EQ(groups[0]->dupImageItems.size(), 2u);
    EXPECT_EQ(groups[0]->dupImageItems[0]->imagePath, b);
    // Progress texts that are not what they should be still count as progress.
    RecordingObserver* raw = nullptr;
    auto observer = std::make_shared<RecordingObserver>();
    raw = observer.get();
    m.setDelegate(observer);
    for (const char* bad :
         {"", "[]", "{\"ratio\":\"x\",\"total\":1.5,\"extra_info\":7}", "{\"ratio\":1e999}"})
        m.progressDidChanged(bad, 0);
    EXPECT_EQ(raw->ratios, (std::vector<double>{0, 0, 0, 0}));
}

TEST_F(PhotoTest, ExactBytesOfAPathThatIsNotUtf8ComeThroughTheHexSpelling) {
    ScanImagesManager m(environment());
    const auto odd = tree.file(std::string("bad\xff name.jpg"), "xyz");
    const auto good = tree.file("good.jpg", "x");
    std::string hex;
    for (const unsigned char c : odd) {
        static const char* digits = "0123456789abcdef";
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    const nlohmann::json j = nlohmann::json::array(
        {{{"path", good},
          {"similar_img_infos",
           {{{"path", "bad\xef\xbf\xbd name.jpg"}, {"path_hex", hex}}, {{"path", good}}}}}});
    m.jsonDataDidChanged(j.dump());
    const auto groups = m.dupImages();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0]->dupImageItems[0]->imagePath, odd);
    EXPECT_EQ(groups[0]->dupImageItems[0]->imageSize, 3);
    // A hex spelling that is not one, or hides a NUL, is skipped.
    m.removeDupimagesArray();
    const nlohmann::json bad = nlohmann::json::array(
        {{{"path", good},
          {"similar_img_infos",
           {{{"path", "x"}, {"path_hex", "zz"}}, {{"path", "y"}, {"path_hex", "6100"}}}}}});
    m.jsonDataDidChanged(bad.dump());
    EXPECT_TRUE(m.dupImages().empty());
}

TEST_F(PhotoTest, FinishSortsItemsAndGroupsAndNamesThemFromOne) {
    ScanImagesManager m(environment());
    const auto s1 = tree.file("g1/s.jpg", std::string(10, 'x'));
    const auto s2 = tree.file("g1/t.jpg", std::string(30, 'x'));
    const auto t1 = tree.file("g2/a.jpg", std::string(20, 'x'));
    const auto t2 = tree.file("g2/b.jpg", std::string(20, 'x'));
    const auto u1 = tree.file("g3/a.jpg", std::string(10, 'x'));
    const auto u2 = tree.file("g3/b.jpg", std::string(10, 'x'));
    const auto u3 = tree.file("g3/c.jpg", std::string(20, 'x'));
    m.jsonDataDidChanged(report(s1, {s1, s2}));      // 40 bytes, 2 images
    m.jsonDataDidChanged(report(u1, {u1, u2, u3}));  // 40 bytes, 3 images
    m.jsonDataDidChanged(report(t1, {t2, t1}));      // 40 bytes, 2 images
    m.jsonDataDidChanged(report("/gone/x.jpg", {"/gone/x.jpg", "/gone/y.jpg"}));
    auto observer = std::make_shared<RecordingObserver>();
    m.setDelegate(observer);
    m.progressDidChanged("{\"ratio\":1,\"total\":9}", 1);
    EXPECT_EQ(observer->finished, 1);
    const auto groups = m.dupImages();
    ASSERT_EQ(groups.size(), 4u);
    // Equal totals: more images first; otherwise the order they came in.
    EXPECT_EQ(groups[0]->sourceImagePath, u1);
    EXPECT_EQ(groups[1]->sourceImagePath, s1);
    EXPECT_EQ(groups[2]->sourceImagePath, t1);
    EXPECT_EQ(groups[3]->groupSize, 0);  // vanished files count nothing
    EXPECT_EQ(groups[0]->groupName, "Group 1");
    EXPECT_EQ(groups[3]->groupName, "Group 4");
    // Inside a group: largest first, equal sizes by path.
    EXPECT_EQ(groups[1]->dupImageItems[0]->imagePath, s2);
    EXPECT_EQ(groups[2]->dupImageItems[0]->imagePath, t1);
    EXPECT_EQ(groups[0]->dupImageItems[1]->imagePath, u1);
    EXPECT_FALSE(groups[3]->dupImageItems[0]->modifiedDate);
    EXPECT_FALSE(groups[3]->dupImageItems[0]->dimension);
}

TEST_F(PhotoTest, RealScanFindsThePairsAndTellsTheObserverOnce) {
    const auto [a, b] = photoPair("pics/a.jpg", "pics/sub/a-small.jpg", 1);
    const auto [c, d] = photoPair("pics/c.jpg", "other/c-small.jpg", 2);
    cv::RNG rng(3);
    tree.file("pics/alone.jpg", orvane::testing::jpegBytes(orvane::testing::scene(rng, 480, 360)));
    ScanImagesManager m(environment());
    auto observer = std::make_shared<RecordingObserver>();
    m.setDelegate(observer);
    EXPECT_EQ(m.findDuplicateImages({tree.path("pics"), tree.path("other")}), 0);
    EXPECT_EQ(observer->started, 1);
    EXPECT_EQ(observer->finished, 1);
    EXPECT_EQ(observer->stopped, 0);
    EXPECT_FALSE(m.isStop());
    const auto groups = m.dupImages();
    ASSERT_EQ(groups.size(), 2u);
    for (const auto& g : groups) {
        EXPECT_EQ(g->dupImageItems.size(), 2u);
        EXPECT_EQ(g->dupImageItems[0]->dimension, "480 * 360");
        EXPECT_EQ(g->dupImageItems[1]->dimension, "240 * 180");
    }
    EXPECT_EQ(m.dupFileCount(), 4);
    // The progress the screen sees never goes back.
    for (std::size_t i = 1; i < observer->ratios.size(); ++i)
        EXPECT_GE(observer->ratios[i], observer->ratios[i - 1]);
    // A new scan discards the old results.
    EXPECT_EQ(m.findDuplicateImages({tree.path("other")}), 0);
    EXPECT_TRUE(m.dupImages().empty());
}

TEST_F(PhotoTest, TheDriverKeepsTheContractOfEveryModule) {
    photoPair("pics/a.jpg", "pics/a-small.jpg", 5);
    ScanImagesManager m(environment());
    m.setScanRoots({tree.path("pics")});
    orvane::testing::expectDriverContract(m);
    EXPECT_EQ(m.scanTotals().count, 2);
}

TEST_F(PhotoTest, StopDuringAScanEndsItAsStopped) {
    for (int i = 0; i < 10; ++i)
        photoPair("s/" + std::to_string(i) + ".jpg", "s/" + std::to_string(i) + "c.jpg", 40 + i);
    ScanImagesManager m(environment());
    auto observer = std::make_shared<RecordingObserver>();
    observer->onProgress = [](ScanImagesManager& manager) { manager.stop(); };
    m.setDelegate(observer);
    // Progress is passed on at most every 0.2 s; let the window of the last test pass.
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(m.findDuplicateImages({tree.path("s")}), 9);
    EXPECT_TRUE(m.isStop());
    EXPECT_EQ(observer->stopped, 1);
    EXPECT_EQ(observer->finished, 0);
    EXPECT_EQ(m.scanState(), 3);
    // The next scan is not stopped by the earlier request.
    observer->onProgress = nullptr;
    EXPECT_EQ(m.findDuplicateImages({tree.path("s")}), 0);
    EXPECT_EQ(m.dupImages().size(), 10u);
}

TEST_F(PhotoTest, MissingRootEndsTheScanWithTheEngineCode) {
    ScanImagesManager m(environment());
    EXPECT_EQ(m.findDuplicateImages({tree.path("nowhere")}), 2);
    EXPECT_TRUE(m.dupImages().empty());
    EXPECT_FALSE(m.isStop());
}

TEST_F(PhotoTest, ThumbnailsAreSmallAndMadeOffTheCallingThread) {
    const auto [a, b] = photoPair("t/a.jpg", "t/b.jpg", 5);
    tree.file("t/broken.jpg", "nope");
    ScanImagesManager m(environment());
    auto good = m.makeItem(a), broken = m.makeItem(tree.path("t/broken.jpg"));
    std::atomic<int> done{0};
    const auto caller = std::this_thread::get_id();
    std::atomic<bool> otherThread{true};
    for (const auto& item : {good, broken})
        m.getThumImages(item, [&](const ScanImagesItemPtr&) {
            otherThread = otherThread && std::this_thread::get_id() != caller;
            ++done;
        });
    for (int i = 0; i < 500 && done < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(done, 2);
    EXPECT_TRUE(otherThread);
    ASSERT_TRUE(good->thumImage);
    EXPECT_LE(good->thumImage->width, 60);
    EXPECT_LE(good->thumImage->height, 90);
    EXPECT_EQ(good->thumImage->width, 60);  // 480 x 360 fits by width
    EXPECT_EQ(good->thumImage->rgb.size(),
              std::size_t(good->thumImage->width * good->thumImage->height * 3));
    EXPECT_FALSE(broken->thumImage);
}
