#include <gtest/gtest.h>
#include <httplib.h>

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <thread>

#include "app/support/UpdateManager.h"
#include "app/support/UpdateWindowController.h"
#include "core/support/AppInfo.h"
#include "support/GuiTestSupport.h"
#include "support/LocalHttpServer.h"

using namespace orvane::app;
using orvane::support::InstallSource;
using orvane::testing::guiApp;
using orvane::testing::waitUntil;

namespace {
class FeedServer {
public:
    FeedServer() {
        http_.server().Get("/latest.json", [this](const httplib::Request&, httplib::Response& res) {
            if (delayMs_) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_.load()));
            res.status = status_;
            res.set_content(body_, "application/json");
        });
        http_.start();
    }
    std::string url() const { return http_.url() + "/latest.json"; }
    void serve(std::string body, int status = 200, int delayMs = 0) {
        body_ = std::move(body);
        status_ = status;
        delayMs_ = delayMs;
    }

private:
    std::string body_;
    int status_ = 200;
    std::atomic<int> delayMs_{0};
    orvane::testing::LocalHttpServer http_;  // last: stops before what its handlers read
};

// Catches what the Download button would open in a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

constexpr const char* kNewer =
    R"({"version":"1.2.0","notes":"Faster scans.\n<b>not bold</b>","url":"https://orvane.com/download"})";

struct Check {
    std::unique_ptr<UpdateManager> manager;
    std::vector<UpdateRespondType> responses;
    bool finished = false;

    Check(const FeedServer& server, std::optional<InstallSource> source = InstallSource{},
          long timeoutMs = 3000) {
        UpdateManager::Config config;
        config.feedURL = server.url();
        config.currentVersion = "1.0.0";
        config.installSource = source;
        config.timeoutMs = timeoutMs;
        manager = std::make_unique<UpdateManager>(config);
        manager->setRespondBlock([this](UpdateRespondType t) { responses.push_back(t); });
        QObject::connect(manager.get(), &UpdateManager::checkFinished, [this] { finished = true; });
    }
    bool run(bool silent) {
        manager->checkUpdate(silent);
        return waitUntil([this] { return finished; });
    }
    UpdateWindowController* window() const { return manager->window(); }
    bool windowShown() const { return window() && window()->isVisible(); }
};
}  // namespace

class UpdateWindowTest : public ::testing::Test {
protected:
    void SetUp() override { guiApp(); }
};

TEST_F(UpdateWindowTest, MenuCheckShowsTheNewVersionItsNotesAndADownload) {
    FeedServer server;
    server.serve(kNewer);
    Check check(server);
    ASSERT_TRUE(check.run(false));
    ASSERT_TRUE(check.windowShown());
    EXPECT_EQ(check.window()->titleText(), "A new version of Orvane is available");
    EXPECT_TRUE(check.window()->messageText().contains("1.2.0"));
    EXPECT_TRUE(check.window()->messageText().contains("1.0.0"));
    // Notes from the network are text, never markup.
    EXPECT_EQ(check.window()->notesText(), "Faster scans.\n<b>not bold</b>");
    ASSERT_TRUE(check.window()->offersDownload());
    EXPECT_EQ(check.responses, std::vector<UpdateRespondType>{UpdateRespondType::updateAvailable});

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    check.window()->downloadButton()->click();
    QDesktopServices::unsetUrlHandler("https");
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0].toString(), "https://orvane.com/download");
    EXPECT_EQ(check.responses.back(), UpdateRespondType::install);
    EXPECT_FALSE(check.window()->isVisible());
}

TEST_F(UpdateWindowTest, APackagedCopyIsToldToUpdateThroughItsPackageManager) {
    FeedServer server;
    server.serve(kNewer);
    Check check(server, InstallSource{InstallSource::Kind::debianPackage, "orvane"});
    ASSERT_TRUE(check.run(true));  // an update is shown even after a silent check
    ASSERT_TRUE(check.windowShown());
    EXPECT_FALSE(check.window()->offersDownload());
    EXPECT_TRUE(check.window()->messageText().contains("sudo apt install --only-upgrade orvane"));
}

TEST_F(UpdateWindowTest, MenuCheckAlwaysAnswers) {
    FeedServer server;
    server.serve(R"({"version":"1.0.0","url":"https://orvane.com/download"})");
    Check upToDate(server);
    ASSERT_TRUE(upToDate.run(false));
    ASSERT_TRUE(upToDate.windowShown());
    EXPECT_EQ(upToDate.window()->titleText(), "Orvane is up to date");

    server.serve(R"({"version":"soon","url":"https://orvane.com/download"})");
    Check lying(server);
    ASSERT_TRUE(lying.run(false));
    ASSERT_TRUE(lying.windowShown());
    EXPECT_EQ(lying.window()->titleText(), "Could not check for updates");
    EXPECT_TRUE(lying.window()->messageText().contains("no valid version"));
    EXPECT_EQ(lying.responses, std::vector<UpdateRespondType>{UpdateRespondType::failed});
}

TEST_F(UpdateWindowTest, SilentChecksNeverBlockAndShowNothingWithoutAnUpdate) {
    FeedServer server;
    server.serve("{}", 200, 1500);
    Check slow(server, InstallSource{}, 400);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    QElapsedTimer clock;
    clock.start();
    slow.manager->checkUpdate(true);
    // The feed answers after 1.5 s: a check that waited for it would take that long.
    EXPECT_LT(clock.elapsed(), 1000) << "the check must return at once";
    ASSERT_TRUE(waitUntil([&] { return slow.finished; }));
    EXPECT_GT(ticks, 5) << "the event loop kept running while the server stalled";
    EXPECT_FALSE(slow.window());
    EXPECT_EQ(slow.responses, std::vector<UpdateRespondType>{UpdateRespondType::failed});

    server.serve(R"({"version":"0.9","url":"https://orvane.com/download"})");
    Check current(server);
    ASSERT_TRUE(current.run(true));
    EXPECT_FALSE(current.window());
}

TEST_F(UpdateWindowTest, AMenuCheckDuringTheLaunchCheckGetsItsAnswer) {
    FeedServer server;
    server.serve(R"({"version":"1.0.0","url":"https://orvane.com/download"})", 200, 300);
    Check check(server);
    check.manager->checkUpdate(true);
    check.manager->checkUpdate(false);
    ASSERT_TRUE(waitUntil([&] { return check.finished; }));
    ASSERT_TRUE(check.windowShown());
    EXPECT_EQ(check.window()->titleText(), "Orvane is up to date");
}

TEST_F(UpdateWindowTest, TheRegionalChannelReadsItsOwnFeed) {
    using orvane::support::AppInfo;
    AppInfo::install(AppInfo({{"WebMark", "Morvask"},
                              {"UpdateFeedURL", "https://orvane.com/latest.json"},
                              {"RegionalUpdateFeedURL", "http://update.orvane.cn/latest.json"}}));
    EXPECT_EQ(UpdateManager::feedURLFromInfo(), "http://update.orvane.cn/latest.json");
    AppInfo::install(AppInfo({{"WebMark", "OrvaneDirect"},
                              {"UpdateFeedURL", "https://orvane.com/latest.json"},
                              {"RegionalUpdateFeedURL", "http://update.orvane.cn/latest.json"}}));
    EXPECT_EQ(UpdateManager::feedURLFromInfo(), "https://orvane.com/latest.json");
    AppInfo::install(AppInfo());
}

#include "UpdateWindowTest.moc"
