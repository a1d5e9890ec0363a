#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <thread>

#include "core/support/UpdateChecker.h"
#include "support/LocalHttpServer.h"

using namespace orvane::support;
using Status = UpdateCheckResult::Status;

namespace {
// A real HTTP server on 127.0.0.1 serving the feeds the tests need.
class FeedServer {
public:
    FeedServer() {
        auto& server_ = http_.server();
        server_.Get("/latest.json", [this](const httplib::Request&, httplib::Response& res) {
            res.status = status_;
            res.set_content(body_, "application/json");
        });
        server_.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/latest.json");
        });
        server_.Get("/slow", [](const httplib::Request&, httplib::Response& res) {
            // Far longer than any bound below, so only a cut-off ends a request in time even on
            // a machine busy with other work.
            std::this_thread::sleep_for(std::chrono::milliseconds(4000));
            res.set_content("{}", "application/json");
        });
        server_.Get("/huge", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(3 << 20, ' '), "application/json");
        });
        http_.start();
    }
    std::string url(const std::string& path) const { return http_.url() + path; }
    void serve(std::string body, int status = 200) {
        body_ = std::move(body);
        status_ = status;
    }

private:
    std::string body_;
    int status_ = 200;
    orvane::testing::LocalHttpServer http_;  // last: stops before what its handlers read
};

UpdateCheckResult check(const std::string& url, const char* current = "1.2.0",
                        long timeoutMs = 5000) {
    UpdateChecker::Options options;
    options.feedURL = url;
    options.currentVersion = current;
    options.timeoutMs = timeoutMs;
    return UpdateChecker::check(options);
}
}  // namespace

TEST(UpdateCheck, ComparesTheFeedWithOurVersion) {
    FeedServer server;
    server.serve(
        R"({"version":"1.10.0","notes":"Faster scans.","url":"https://orvane.com/download"})");
    auto result = check(server.url("/latest.json"));
    ASSERT_EQ(result.status, Status::updateAvailable) << result.error;
    EXPECT_EQ(result.release->versionText, "1.10.0");
    EXPECT_EQ(result.release->notes, "Faster scans.");
    EXPECT_EQ(result.release->downloadURL, "https://orvane.com/download");

    EXPECT_EQ(check(server.url("/latest.json"), "1.10").status, Status::upToDate);
    EXPECT_EQ(check(server.url("/latest.json"), "2.0.0").status, Status::upToDate);
    // Redirects are followed.
    EXPECT_EQ(check(server.url("/moved")).status, Status::updateAvailable);
}

TEST(UpdateCheck, FeedsThatLieOrBreakEndInAClearFailure) {
    FeedServer server;
    const std::pair<const char*, int> cases[] = {
        {"<html>not json</html>", 200},
        {R"({"version":"latest","url":"https://orvane.com/d"})", 200},
        {R"({"version":"9.0","url":"ftp://orvane.com/d"})", 200},
        {R"({"version":"9.0"})", 200},
        {R"({"version":"9.0","url":"https://orvane.com/d"})", 404},
        {"", 500},
    };
    for (const auto& [body, status] : cases) {
        server.serve(body, status);
        const auto result = check(server.url("/latest.json"));
        EXPECT_EQ(result.status, Status::failed) << body;
        EXPECT_FALSE(result.error.empty()) << body;
    }
    server.serve(R"({"version":"9.0","url":"https://orvane.com/d"})", 404);
    EXPECT_NE(check(server.url("/latest.json")).error.find("404"), std::string::npos);
}

TEST(UpdateCheck, ASlowOrFloodingServerIsCutOff) {
    FeedServer server;
    const auto start = std::chrono::steady_clock::now();
    auto result = check(server.url("/slow"), "1.0", 300);
    EXPECT_EQ(result.status, Status::failed);
    EXPECT_NE(result.error.find("could not be reached"), std::string::npos) << result.error;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));

    result = check(server.url("/huge"));
    EXPECT_EQ(result.status, Status::failed);
    EXPECT_NE(result.error.find("too large"), std::string::npos) << result.error;
}

TEST(UpdateCheck, StopsWhenAskedAndRefusesBadSettings) {
    FeedServer server;
    std::atomic<bool> stop{false};
    UpdateChecker::Options options;
    options.feedURL = server.url("/slow");
    options.currentVersion = "1.0";
    options.stop = &stop;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop = true;
    });
    const auto start = std::chrono::steady_clock::now();
    const auto result = UpdateChecker::check(options);
    stopper.join();
    EXPECT_EQ(result.status, Status::failed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));

    EXPECT_EQ(check("").status, Status::failed);
    EXPECT_EQ(check("file:///etc/passwd").status, Status::failed);
    EXPECT_EQ(check(server.url("/latest.json"), "not-a-version").status, Status::failed);
    // Nothing listens on port 1.
    EXPECT_EQ(check("http://127.0.0.1:1/latest.json").status, Status::failed);
}
