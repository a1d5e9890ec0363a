#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "engine/ImageScan.h"
#include "engine/SimilarImageEngine.h"
#include "support/PhotoScenes.h"
#include "support/TempTree.h"

using orvane::testing::TempTree;
using namespace orvane::testing;

namespace {

// What one FindDuplicates call reported. The callbacks are plain C functions, so they record
// into one process-wide place.
struct Reports {
    std::mutex mutex;
    std::vector<std::string> found;
    std::vector<std::pair<int, std::string>> progress;
    std::function<void()> onProgress;
};
Reports* gReports = nullptr;

void foundCallback(JsonData d) {
    std::lock_guard lock(gReports->mutex);
    gReports->found.emplace_back(d.data, static_cast<std::size_t>(d.length));
}
void progressCallback(ProgressType type, JsonData d) {
    {
        std::lock_guard lock(gReports->mutex);
        gReports->progress.emplace_back(type,
                                        std::string(d.data, static_cast<std::size_t>(d.length)));
    }
    if (gReports->onProgress) gReports->onProgress();
}

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        gReports = &reports;
        ASSERT_EQ(InitImageDuplicate(tree.path("engine.log").c_str(), ""), 0);
        config.threshold = 85;
        config.extensions = kImageExtensions.data();
        config.extensionCount = kImageExtensions.size();
    }
    void TearDown() override { gReports = nullptr; }

    int find(const std::vector<std::string>& roots) {
        std::vector<const char*> paths;
        for (const auto& r : roots) paths.push_back(r.c_str());
        return FindDuplicates(paths.data(), static_cast<int32_t>(paths.size()), &config,
                              foundCallback, progressCallback);
    }

    // Every similar image reported, by group: sets of paths.
    std::set<std::set<std::string>> groups() {
        std::set<std::set<std::string>> out;
        for (const auto& text : reports.found) {
            for (const auto& g : nlohmann::json::parse(text)) {
                std::set<std::string> members;
                for (const auto& info : g.at("similar_img_infos")) {
                    members.insert(info.contains("path_hex") ? unhex(info["path_hex"])
                                                             : info["path"].get<std::string>());
                }
                out.insert(members);
            }
        }
        return out;
    }

    static std::string unhex(const std::string& h) {
        std::string out;
        for (std::size_t i = 0; i + 1 < h.size(); i += 2)
            out.push_back(char(std::stoi(h.substr(i, 2), nullptr, 16)));
        return out;
    }

    // An original and a near copy, in two folders.
    std::pair<std::string, std::string> pair(const std::string& a, const std::string& b,
                                             std::uint64_t seed) {
        cv::RNG rng(seed);
        const cv::Mat img = scene(rng, 480, 360);
        tree.file(a, jpegBytes(img));
        tree.file(b, jpegBytes(resized(img, 0.5), 70));
        return {tree.path(a), tree.path(b)};
    }

    TempTree tree;
    ScopedHome home{tree};
    Reports reports;
    ImageDuplicateConfig config{};
};

}  // namespace

TEST(EngineConfig, RecordHasTheFixedByteLayout) {
    const char* white[] = {"/w/"};
    ImageDuplicateConfig c{};
    c.threshold = 60.5;
    c.maxFileSize = 5'000'000;
    c.minFileSize = 1000;
    c.whiteList = white;
    c.whiteListCount = 1;
    c.extensions = kImageExtensions.data();
    c.extensionCount = 18;
    c.hiddenFile = 1;
    unsigned char bytes[48];
    static_assert(sizeof bytes == sizeof c);
    std::memcpy(bytes, &c, sizeof c);
    EXPECT_EQ(bytes[0], 0);
    double threshold;
    std::memcpy(&threshold, bytes + 4, 8);
    EXPECT_EQ(threshold, 60.5);
    EXPECT_EQ(bytes[12] | bytes[13] << 8 | bytes[14] << 16 | bytes[15] << 24, 5'000'000);
    EXPECT_EQ(bytes[16] | bytes[17] << 8 | bytes[18] << 16 | bytes[19] << 24, 1000);
    const char* const* list;
    std::memcpy(&list, bytes + 20, 8);
    EXPECT_EQ(list, white);
    EXPECT_EQ(bytes[28], 1);
    std::memcpy(&list, bytes + 32, 8);
    EXPECT_EQ(list, kImageExtensions.data());
    EXPECT_EQ(bytes[40], 18);
    EXPECT_EQ(bytes[44], 1);
    EXPECT_STREQ(kImageExtensions.front(), ".jpg");
    EXPECT_STREQ(kImageExtensions.back(), ".webp");
    EXPECT_EQ(kErrorCodeMsg[9], "Stoped");
    EXPECT_STREQ(ImageEngineResultText(1), "Param invaild");
    EXPECT_STREQ(ImageEngineResultText(13), "Unknown");
}

TEST_F(Engine, ReportsGroupsAndProgressInTheAgreedShapes) {
    const auto [a, b] = pair("one/a.jpg", "two/a small.jpg", 1);
    const auto [c, d] = pair("one/c.jpg", "one/sub/c copy.JPG", 2);
    cv::RNG rng(3);
    tree.file("one/alone.jpg", jpegBytes(scene(rng, 480, 360)));
    const std::string root = tree.path("") + "/";
    ASSERT_EQ(find({root}), 0);
    EXPECT_EQ(groups(), (std::set<std::set<std::string>>{{a, b}, {c, d}}));
    for (const auto& text : reports.found) {
        const auto j = nlohmann::json::parse(text);
        ASSERT_TRUE(j.is_array());
        for (const auto& g : j) {
            ASSERT_TRUE(g.at("path").is_string());
            // The reference is the larger picture and is listed among the members.
            EXPECT_TRUE(g["path"] == a || g["path"] == c);
            for (const auto& info : g.at("similar_img_infos"))
                EXPECT_TRUE(info.at("path").is_string());
        }
    }
    ASSERT_FALSE(reports.progress.empty());
    int finished = 0;
    double lastRatio = 0;
    for (const auto& [type, text] : reports.progress) {
        const auto j = nlohmann::json::parse(text);
        EXPECT_TRUE(j.at("ratio").is_number());
        EXPECT_TRUE(j.at("total").is_number_integer());
        EXPECT_TRUE(j.at("extra_info").at("current_deal_img_path").is_string());
        EXPECT_GE(j["ratio"].get<double>(), lastRatio);
        lastRatio = j["ratio"];
        finished += type == 1;
        EXPECT_TRUE(type == 0 || type == 1);
    }
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(reports.progress.back().first, 1);
    EXPECT_EQ(nlohmann::json::parse(reports.progress.back().second)["total"], 5);
}

TEST_F(Engine, BadArgumentsAndRootsGiveTheirCodes) {
    const std::string dir = tree.dir("d");
    const std::string file = tree.file("f.jpg", "x");
    EXPECT_EQ(find({tree.path("missing")}), 2);
    EXPECT_EQ(find({file}), 3);
    EXPECT_EQ(find({}), 1);
    config.threshold = 19.5;
    EXPECT_EQ(find({dir}), 1);
    config.threshold = 100.5;
    EXPECT_EQ(find({dir}), 1);
    config.threshold = 85;
    config.extensionCount = 18;
    config.extensions = nullptr;
    EXPECT_EQ(find({dir}), 1);
    config.extensions = kImageExtensions.data();
    const char* nullPath = nullptr;
    EXPECT_EQ(FindDuplicates(&nullPath, 1, &config, foundCallback, progressCallback), 1);
    EXPECT_EQ(FindDuplicates(nullptr, 1, &config, nullptr, nullptr), 1);
    EXPECT_EQ(find({dir}), 0);  // and nothing was left running by the refusals
    EXPECT_EQ(InitImageDuplicate(tree.path("no/such/folder/x.log").c_str(), ""), 5);
}

TEST_F(Engine, WalkHonoursWhiteListHiddenSizesExtensionsAndLinks) {
    const auto [a, b] = pair("keep/a.jpg", "keep/b.jpeg", 10);
    pair("white/c.jpg", "white/d.jpg", 11);
    pair(".hidden/e.jpg", "keep/.f.jpg", 12);
    pair("keep/g.txt", "keep/h.jpg.bak", 13);
    tree.symlink(tree.path("keep"), "linked");
    const std::string white = tree.path("white") + "/";
    const char* whiteList[] = {white.c_str()};
    config.whiteList = whiteList;
    config.whiteListCount = 1;
    // The driver hands the white-list folders over as paths too; they are not roots.
    ASSERT_EQ(find({tree.path("") + "/", white}), 0);
    EXPECT_EQ(groups(), (std::set<std::set<std::string>>{{a, b}}));

    // A second name of a picture (a hard link), far from the first in path order, is the same
    // picture and not a copy of it.
    tree.dir("keep/zz");
    std::filesystem::create_hard_link(a, tree.path("keep/zz/a.jpg"));
    reports.found.clear();
    ASSERT_EQ(find({tree.path("keep")}), 0);
    EXPECT_EQ(groups(), (std::set<std::set<std::string>>{{a, b}}));

    reports.found.clear();
    config.hiddenFile = 1;
    ASSERT_EQ(find({tree.path("") + "/", white}), 0);
    EXPECT_EQ(groups().size(), 2u);

    reports.found.clear();
    config.hiddenFile = 0;
    struct stat st {};
    ::stat(b.c_str(), &st);
    config.minFileSize = static_cast<int32_t>(st.st_size + 1);  // the small copy is left out
    ASSERT_EQ(find({tree.path("keep")}), 0);
    EXPECT_TRUE(groups().empty());
    config.minFileSize = 0;
    config.maxFileSize = static_cast<int32_t>(st.st_size);  // now only the small copy is in
    ASSERT_EQ(find({tree.path("keep")}), 0);
    EXPECT_TRUE(groups().empty());
}

TEST_F(Engine, BadFilesArePassedOverAndEveryGoodImageIsStillFound) {
    const auto [a, b] = pair("p/a.jpg", "p/b.jpg", 20);
    tree.file("p/text.jpg", "this is not a picture");
    tree.file("p/empty.png", "");
    const std::string whole = tree.read("p/a.jpg");
    tree.file("p/truncated.jpg", whole.substr(0, whole.size() / 3));
    // A valid header (with its checksum) claiming 30000 x 30000 pixels, and no image data.
    const char header[] =
        "\x89PNG\r\n\x1a\n\0\0\0\x0DIHDR\0\0\x75\x30\0\0\x75\x30\x08\x02\0\0\0\xE9\x45\x6F\xED";
    const std::string png(header, sizeof header - 1);
    tree.file("p/bomb.png", png);
    tree.file("p/locked.jpg", whole);
    tree.chmod("p/locked.jpg", 0);
    const std::string odd =
        tree.file(std::string("p/bad\xff\xfe name\n.jpg"), tree.read("p/b.jpg"));
    ::mkfifo(tree.path("p/fifo.jpg").c_str(), 0600);
    ASSERT_EQ(find({tree.path("p")}), 0);
    const auto found = groups();
    ASSERT_EQ(found.size(), 1u);
    // The copy under a name that is not UTF-8 comes back byte for byte.
    EXPECT_TRUE(found.begin()->count(a) && found.begin()->count(b) && found.begin()->count(odd));
    for (const auto& text : reports.found) EXPECT_NO_THROW(nlohmann::json::parse(text));
}

TEST_F(Engine, StopEndsTheScanWithItsOwnReportAndCode) {
    for (int i = 0; i < 12; ++i)
        pair("s/" + std::to_string(i) + ".jpg", "s/" + std::to_string(i) + "b.jpg", 100 + i);
    // Stopping at the first report, before the walk, leaves the scan nothing to finish first,
    // however fast the machine decodes.
    int progressSeen = 0;
    reports.onProgress = [&] {
        if (++progressSeen == 1) StopFindDuplicates(10);
    };
    ASSERT_EQ(find({tree.path("s")}), 9);
    ASSERT_FALSE(reports.progress.empty());
    EXPECT_EQ(reports.progress.back().first, 2);
    for (std::size_t i = 0; i + 1 < reports.progress.size(); ++i)
        EXPECT_EQ(reports.progress[i].first, 0);
    // A stop request between scans does not poison the next one.
    reports.onProgress = nullptr;
    StopFindDuplicates(10);
    reports.progress.clear();
    EXPECT_EQ(find({tree.path("s")}), 0);
    EXPECT_EQ(reports.progress.back().first, 1);
}

TEST_F(Engine, OnlyOneScanRunsAtATime) {
    for (int i = 0; i < 6; ++i)
        pair("s/" + std::to_string(i) + ".jpg", "s/" + std::to_string(i) + "b.jpg", 200 + i);
    std::atomic<int> second{-1};
    std::atomic<bool> asked{false};
    reports.onProgress = [&] {
        if (asked.exchange(true)) return;
        const std::string root = tree.path("s");
        const char* p = root.c_str();
        second = FindDuplicates(&p, 1, &config, nullptr, nullptr);
    };
    EXPECT_EQ(find({tree.path("s")}), 0);
    EXPECT_EQ(second, 1);
}

TEST(ImageScanCache, SecondScanDecodesNothingAndAChangedFileIsDecodedAgain) {
    TempTree tree;
    cv::RNG rng(50);
    for (int i = 0; i < 4; ++i) {
        const cv::Mat img = scene(rng, 400, 300);
        tree.file("c/" + std::to_string(i) + ".jpg", jpegBytes(img));
        tree.file("c/" + std::to_string(i) + "-copy.jpg", jpegBytes(resized(img, 0.6)));
    }
    tree.file("c/broken.jpg", "not a picture");
    orvane::engine::ScanRequest request;
    request.roots = {tree.path("c")};
    request.extensions = {".jpg"};
    request.cachePath = tree.path("cache/photo-signatures");
    std::atomic<bool> stop{false};
    std::size_t groups = 0;
    orvane::engine::ScanSinks sinks;
    sinks.found = [&](const std::string& json) { groups += nlohmann::json::parse(json).size(); };

    orvane::engine::ImageScan first(request, sinks);
    ASSERT_EQ(first.run(stop), 0);
    EXPECT_EQ(first.counts().decoded, 8u);
    EXPECT_EQ(first.counts().failed, 1u);
    EXPECT_EQ(groups, 4u);

    groups = 0;
    orvane::engine::ImageScan second(request, sinks);
    ASSERT_EQ(second.run(stop), 0);
    EXPECT_EQ(second.counts().decoded, 0u);
    EXPECT_EQ(second.counts().fromCache, 9u);  // the broken file is remembered as broken
    EXPECT_EQ(groups, 4u);

    // Rewritten in place: same inode, new size and time.
    tree.file("c/0-copy.jpg", jpegBytes(scene(rng, 400, 300)));
    tree.setMtime("c/0-copy.jpg", 1'000'000'000);
    groups = 0;
    orvane::engine::ImageScan third(request, sinks);
    ASSERT_EQ(third.run(stop), 0);
    EXPECT_EQ(third.counts().decoded, 1u);
    EXPECT_EQ(groups, 3u);

    // A damaged cache file costs a full decode, nothing more.
    tree.file("cache/photo-signatures", "garbage");
    groups = 0;
    orvane::engine::ImageScan fourth(request, sinks);
    ASSERT_EQ(fourth.run(stop), 0);
    EXPECT_EQ(fourth.counts().decoded, 8u);
    EXPECT_EQ(groups, 3u);
}
