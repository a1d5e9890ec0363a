#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

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
    orvane::testing::CliRun runAsUser(const std::string& args,
                                      const std::string& environment = {}) {
        return orvane::testing::runCliAsUser(tree, ORVANE_CLI_PATH, args, environment);
    }
};

// Whether the process has its own handler for Ctrl-C in place yet.
bool catchesInterrupt(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (SIGINT - 1)) & 1;
    return false;
}

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

TEST_F(PhotosCli, AutoSelectLeavesAnotherNameOfTheKeptPictureAlone) {
    const auto [a, b] = photoPair("p/a.jpg", "p/b.jpg", 5);
    std::filesystem::create_hard_link(a, tree.path("p/z.jpg"));
    tree.setMtime("p/a.jpg", 1'600'000'000);  // a, under both names, is the oldest
    tree.setMtime("p/b.jpg", 1'700'000'000);
    const auto r = run("photos -q --auto-select new --remove delete " + quoted("p"));
    ASSERT_EQ(r.code, 0) << r.err << r.out;
    // Taking the other name would have been tried, and refused, for nothing.
    EXPECT_EQ(r.out.find("\nfailed "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nremoved " + b + "\n1 images removed"), std::string::npos) << r.out;
    EXPECT_FALSE(tree.exists("p/b.jpg"));
    EXPECT_TRUE(tree.exists("p/a.jpg") && tree.exists("p/z.jpg"));
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

TEST_F(PhotosCli, AChosenFolderThatCannotBeOpenedIsToldAndStrictFails) {
    // "/" stands for the home folder; a folder named outright that cannot be read is refused
    // before any scan, so a home locked against its user is what the scan itself runs into.
    const std::string homeDir = home.home(), rel = "home";
    ASSERT_EQ(homeDir, tree.path(rel));
    photoPair(rel + "/Pictures/a.jpg", rel + "/Pictures/b.jpg", 21);
    tree.chmod(rel, 0);
    const std::string told =
        "orvane photos: cannot open " + homeDir + ", so the photos in it were not compared\n";

    const auto plain = runAsUser("photos -q /");
    EXPECT_EQ(plain.code, 0) << plain.err;
    EXPECT_EQ(plain.err, told);
    EXPECT_EQ(plain.out, "No similar photos found.\n");

    const auto strict = runAsUser("photos -q --json --strict /");
    EXPECT_EQ(strict.code, 1) << strict.err;
    EXPECT_EQ(strict.err, told);
    EXPECT_EQ(nlohmann::json::parse(strict.out).at("groups").size(), 0u) << "stdout stays JSON";

    const auto removal = runAsUser("photos -q --strict --auto-select new --remove delete /");
    EXPECT_EQ(removal.code, 1) << removal.err;
    EXPECT_EQ(removal.out, "No similar photos found.\nNothing to remove.\n");

    // Readable again: the same scan finds the pair, and --strict has nothing to fail on.
    tree.chmod(rel, 0755);
    const auto clean = runAsUser("photos -q --strict /");
    EXPECT_EQ(clean.code, 0) << clean.err;
    EXPECT_EQ(clean.err, "");
    EXPECT_NE(clean.out.find(homeDir + "/Pictures/a.jpg\t"), std::string::npos) << clean.out;
}

TEST_F(PhotosCli, AScanTheEngineRefusesSaysWhatHappenedAndWhatToDo) {
    // "/" stands for the home folder, which only the scan itself finds missing or out of reach.
    const auto withHome = [&](const std::string& homeDir, const std::string& args) {
        return runAsUser("photos " + args + " /", "HOME='" + homeDir + "'");
    };
    const std::string gone = tree.path("moved away");
    auto r = withHome(gone, "-q");
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_EQ(r.err, "orvane photos: The folder “" + gone +
                         "” no longer exists. If it was moved or renamed, choose it again where "
                         "it is now.\n");
    EXPECT_EQ(r.out, "") << "a failed scan does not claim that nothing was alike";
    r = withHome(gone, "-q --json");
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out), nlohmann::json::parse(R"({"groups":[]})"));

    tree.dir("closed/home");
    tree.chmod("closed", 0);
    r = withHome(tree.path("closed/home"), "-q");
    tree.chmod("closed", 0755);
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_EQ(r.err, "orvane photos: Orvane is not allowed to reach the folder “" +
                         tree.path("closed/home") +
                         "”. Make sure you may open every folder above it, then scan again.\n");
}

TEST_F(PhotosCli, CtrlCStopsTheScanAndRemovesNothing) {
    for (int i = 0; i < 6; ++i)
        photoPair("p/" + std::to_string(i) + ".jpg", "p/" + std::to_string(i) + "-small.jpg",
                  40 + i);
    // Large damaged pictures keep the engine busy well past the interrupt.
    for (int i = 0; i < 8; ++i)
        tree.sparseFile("p/0 damaged " + std::to_string(i) + ".jpg", 128u << 20);

    const std::string out = tree.path("stdout"), err = tree.path("stderr"), folder = tree.path("p");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen(err.c_str(), "w", stderr))
            ::_exit(127);
        ::execl(ORVANE_CLI_PATH, ORVANE_CLI_PATH, "photos", "-q", "--auto-select", "new",
                "--remove", "delete", folder.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!catchesInterrupt(pid) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "the interrupt ends the program through its own path";
    EXPECT_EQ(WEXITSTATUS(status), 130) << tree.read("stderr");
    EXPECT_NE(tree.read("stderr").find("orvane photos: interrupted"), std::string::npos)
        << tree.read("stderr");
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(tree.exists("p/" + std::to_string(i) + ".jpg"));
        EXPECT_TRUE(tree.exists("p/" + std::to_string(i) + "-small.jpg"));
    }
}

#endif
