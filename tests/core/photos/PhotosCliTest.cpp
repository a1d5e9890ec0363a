#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "PhotoFixture.h"
#include "support/CliRun.h"

#ifdef ORVANE_CLI_PATH

using namespace orvane::photos::testing;
using orvane::testing::runCli;

namespace {

class PhotosCli : public PhotoTest {
protected:
    orvane::testing::CliRun run(const std::string& args) {
        return runCli(tree, ORVANE_CLI_PATH, args);
    }
    std::string quoted(const std::string& rel) { return "'" + tree.path(rel) + "'"; }
};

}  // namespace

TEST_F(PhotosCli, JsonListsEveryGroupWithItsFiles) {
    const auto [a, b] = photoPair("p/a.jpg", "p/b.jpg", 1);
    const auto [c, d] = photoPair("p/c.jpg", "p/sub/d.jpg", 2);
    const auto r = run("photos --json -q " + quoted("p"));
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j.at("groups").size(), 2u);
    std::set<std::string> seen;
    for (const auto& g : j["groups"]) {
        EXPECT_TRUE(g.at("name").is_string());
        EXPECT_TRUE(g.at("source").is_string());
        std::int64_t sum = 0;
        for (const auto& f : g.at("files")) {
            seen.insert(f.at("path").get<std::string>());
            sum += f.at("size").get<std::int64_t>();
            EXPECT_TRUE(f.at("dimension").is_string());
            EXPECT_TRUE(f.at("modified").is_string());
        }
        EXPECT_EQ(g.at("size").get<std::int64_t>(), sum);
    }
    EXPECT_EQ(seen, (std::set<std::string>{a, b, c, d}));
    EXPECT_EQ(j["groups"][0]["name"], "Group 1");

    const auto text = run("photos -q " + quoted("p"));
    ASSERT_EQ(text.code, 0);
    EXPECT_NE(text.out.find("Group 1: 2 images"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(a + "\t"), std::string::npos);
}

TEST_F(PhotosCli, AFolderWithoutSimilarPicturesSaysSo) {
    // Two unrelated pictures and a note: something to examine, nothing alike.
    for (std::uint64_t seed : {11, 12}) {
        cv::RNG rng(seed);
        tree.file("p/" + std::to_string(seed) + ".jpg",
                  orvane::testing::jpegBytes(orvane::testing::scene(rng, 480, 360)));
    }
    tree.file("p/note.txt", "not a picture");
    auto r = run("photos -q " + quoted("p"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "No similar photos found.\n");
    r = run("photos -q --json " + quoted("p"));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out), nlohmann::json::parse(R"({"groups":[]})"))
        << "JSON stays one object";
    for (const char* removal : {"--remove trash", "--remove delete --dry-run"}) {
        r = run(std::string("photos -q --auto-select new ") + removal + " " + quoted("p"));
        ASSERT_EQ(r.code, 0) << removal << "\n" << r.err;
        EXPECT_EQ(r.out, "No similar photos found.\nNothing to remove.\n") << removal;
    }
    EXPECT_TRUE(tree.exists("p/11.jpg") && tree.exists("p/12.jpg"));
}

TEST_F(PhotosCli, RefusedArgumentsExitWithTwoAndTouchNothing) {
    photoPair("p/a.jpg", "p/b.jpg", 3);
    tree.file("plain.txt", "x");
    for (const std::string& args :
         {"photos --threshold 10 " + quoted("p"), "photos --threshold 101 " + quoted("p"),
          "photos " + quoted("missing"), "photos " + quoted("plain.txt"),
          "photos --remove trash " + quoted("p"), "photos --dry-run " + quoted("p"),
          "photos --auto-select newest --remove trash " + quoted("p"),
          "photos --auto-select new --remove shred " + quoted("p"),
          "photos --json --auto-select new --remove trash " + quoted("p"), std::string("photos")}) {
        const auto r = run(args);
        EXPECT_EQ(r.code, 2) << args << "\n" << r.err;
        EXPECT_FALSE(r.err.empty()) << args;
    }
    EXPECT_TRUE(tree.exists("p/a.jpg") && tree.exists("p/b.jpg"));
}

TEST_F(PhotosCli, AFolderNamedThroughALinkAndDotDotIsTheOneTheKernelReaches) {
    // elsewhere/link/.. is real/ for the kernel, though the text reads as elsewhere/.
    photoPair("real/p/a.jpg", "real/p/b.jpg", 4);
    tree.dir("real/inner");
    tree.dir("elsewhere");
    tree.symlink(tree.path("real/inner"), "elsewhere/link");
    const auto r = run("photos --json -q " + quoted("elsewhere/link/.."));
    ASSERT_EQ(r.code, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j.at("groups").size(), 1u) << r.out;
    for (const auto& f : j["groups"][0].at("files"))
        EXPECT_NE(f.at("path").get<std::string>().find("/real/p/"), std::string::npos);
}

TEST_F(PhotosCli, DryRunListsAndMoveKeepsTheNewestPicture) {
    const auto [a, b] = photoPair("p/a.jpg", "p/b.jpg", 4);
    tree.setMtime("p/a.jpg", 1'600'000'000);  // a is older
    tree.setMtime("p/b.jpg", 1'700'000'000);
    const auto dry = run("photos -q --auto-select old --remove delete --dry-run " + quoted("p"));
    ASSERT_EQ(dry.code, 0) << dry.err;
    EXPECT_NE(dry.out.find("would remove " + a + "\n"), std::string::npos) << dry.out;
    EXPECT_TRUE(tree.exists("p/a.jpg"));

    const std::string dest = tree.dir("kept aside");
    const auto moved =
        run("photos -q --auto-select old --remove 'move=" + dest + "' " + quoted("p"));
    ASSERT_EQ(moved.code, 0) << moved.err << moved.out;
    EXPECT_FALSE(tree.exists("p/a.jpg"));
    EXPECT_TRUE(tree.exists("p/b.jpg"));
    EXPECT_TRUE(tree.exists("kept aside/a.jpg"));
    EXPECT_NE(moved.out.find("1 images removed"), std::string::npos) << moved.out;
}

TEST_F(PhotosCli, NamesWithNewlinesAndInvalidBytesAreRemovedExactly) {
    cv::RNG rng(9);
    const cv::Mat img = orvane::testing::scene(rng, 400, 300);
    const std::string odd = std::string("p/new\nline \xfe.jpg");
    tree.file("p/original.jpg", orvane::testing::jpegBytes(img));
    tree.file(odd, orvane::testing::jpegBytes(orvane::testing::resized(img, 0.5)));
    tree.setMtime("p/original.jpg", 1'600'000'000);
    tree.setMtime(odd, 1'700'000'000);
    const auto json = run("photos -q --json " + quoted("p"));
    ASSERT_EQ(json.code, 0);
    EXPECT_NE(json.out.find("new\\nline \\udcfe.jpg"), std::string::npos) << json.out;
    const auto r = run("photos -q --auto-select new --remove delete " + quoted("p"));
    ASSERT_EQ(r.code, 0) << r.err << r.out;
    EXPECT_FALSE(tree.exists(odd));
    EXPECT_TRUE(tree.exists("p/original.jpg"));
}

#endif
