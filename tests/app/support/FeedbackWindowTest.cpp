#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

#include <QLabel>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "app/support/FeedbackWindowController.h"
#include "core/support/AppInfo.h"
#include "support/GuiTestSupport.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

using namespace orvane::app;
using orvane::support::AppInfo;
using orvane::testing::guiApp;
using orvane::testing::TempTree;
using orvane::testing::waitUntil;

namespace {
std::map<std::string, std::string> zipEntries(const std::string& path) {
    std::map<std::string, std::string> out;
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!archive) return out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(archive, i, 0, &st);
        std::string content(st.size, '\0');
        if (zip_file_t* file = zip_fopen_index(archive, i, 0)) {
            zip_fread(file, content.data(), st.size);
            zip_fclose(file);
        }
        out[st.name] = content;
    }
    zip_close(archive);
    return out;
}

std::vector<std::string> lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// xdg-email cannot open a mail program here; a stand-in on PATH records the arguments it got
// and exits with the code the test chooses.
class FakeMailProgram {
public:
    explicit FakeMailProgram(TempTree& tree, int exitCode = 0) : tree_(tree) {
        tree.script("bin/xdg-email",
                    "for a in \"$@\"; do printf '%s\\n' \"$a\"; "
                    "done > \"$ORVANE_TEST_ARGS\"\nexit " +
                        std::to_string(exitCode));
    }
    std::vector<std::string> args() const { return lines(tree_.path("args")); }

private:
    TempTree& tree_;
    orvane::testing::ScopedEnv path_ = orvane::testing::pathFirst(tree_.path("bin"));
    orvane::testing::ScopedEnv args_{"ORVANE_TEST_ARGS", tree_.path("args")};
};

FeedbackWindowController::Config config(TempTree& tree) {
    tree.file("logs/orvane.log", "2026-12-06 started\n");
    tree.file("logs/events.jsonl", "{}\n");
    FeedbackWindowController::Config c;
    c.logsPath = tree.path("logs");
    c.pid = "orvane-linux";
    c.version = "0.1.0";
    c.recipient = "support@orvane.com";
    c.orderURL = "https://orvane.com/order?x=1&v=0.1.0";
    c.supportURL = "https://orvane.com/help?x=1&v=0.1.0";
    return c;
}
}  // namespace

class FeedbackWindowTest : public ::testing::Test {
protected:
    void SetUp() override { guiApp(); }
};

TEST_F(FeedbackWindowTest, TheWindowCarriesTheProductIdentityFromTheInformationList) {
    AppInfo::install(AppInfo({{"pid", "orvane-linux"},
                              {"LinkHasVersion", "1"},
                              {"CFBundleVersion", "0.1.0"},
                              {"FeedbackMail", "support@orvane.com"},
                              {"OrderCommonURL", "https://orvane.com/order?p=1"},
                              {"ProductCommonURL", "not an address"},
                              {"HelpOnlineURL", "https://orvane.com/help?p=1"}}));
    const auto c = FeedbackManager::configFromInfo();
    EXPECT_EQ(c.pid, "orvane-linux");
    EXPECT_EQ(c.okImageName, "bigRight");
    EXPECT_EQ(c.orderURL, "https://orvane.com/order?p=1&v=0.1.0");
    EXPECT_FALSE(c.technicalURL) << "an address that yields none is not set";
    EXPECT_EQ(c.supportURL, "https://orvane.com/help?p=1&v=0.1.0");
    FeedbackWindowController window(c);
    EXPECT_EQ(window.helpLinks(), (QStringList{"https://orvane.com/order?p=1&v=0.1.0",
                                               "https://orvane.com/help?p=1&v=0.1.0"}));
    EXPECT_TRUE(window.findChild<QLabel*>("feedbackPid")->text().contains("orvane-linux"));

    AppInfo::install(AppInfo());
    EXPECT_EQ(FeedbackManager::configFromInfo().pid, "");
}

TEST_F(FeedbackWindowTest, SendOpensTheMailProgramWithTheMessageAndTheLogArchive) {
    TempTree tree;
    FakeMailProgram mail(tree);
    FeedbackWindowController window(config(tree));
    bool sent = false;
    QObject::connect(&window, &FeedbackWindowController::sent, [&] { sent = true; });
    window.setMessage("The scan stopped at 40%.");
    window.setEmail("me@example.org");
    window.send();
    // Packing the logs and starting the mail program can take seconds on a busy machine.
    ASSERT_TRUE(waitUntil([&] { return sent; }, 30000));
    EXPECT_TRUE(window.isShowingThanks());

    const auto args = mail.args();
    ASSERT_GE(args.size(), 8u);
    EXPECT_EQ(args[0], "--utf8");
    EXPECT_EQ(args[1], "--subject");
    EXPECT_EQ(args[3], "--body");
    std::string rest;
    for (std::size_t i = 4; i < args.size(); ++i) rest += args[i] + "\n";
    EXPECT_NE(rest.find("The scan stopped at 40%."), std::string::npos);
    EXPECT_NE(rest.find("Reply to: me@example.org"), std::string::npos);
    EXPECT_NE(rest.find("Product ID: orvane-linux"), std::string::npos);
    EXPECT_EQ(args.back(), "support@orvane.com");
    const std::string archive = args[args.size() - 2];
    EXPECT_EQ(args[args.size() - 3], "--attach");
    const auto files = zipEntries(archive);
    EXPECT_EQ(files.at("logs/orvane.log"), "2026-12-06 started\n");
    EXPECT_TRUE(files.count("logs/events.jsonl"));
    EXPECT_NE(files.at("feedback.txt").find("The scan stopped at 40%."), std::string::npos);
    std::remove(archive.c_str());
}

TEST_F(FeedbackWindowTest, WithoutLogsNothingIsAttached) {
    TempTree tree;
    FakeMailProgram mail(tree);
    FeedbackWindowController window(config(tree));
    bool sent = false;
    QObject::connect(&window, &FeedbackWindowController::sent, [&] { sent = true; });
    window.setMessage("Idea: a dark theme.");
    window.setAttachLogs(false);
    window.send();
    // Packing the logs and starting the mail program can take seconds on a busy machine.
    ASSERT_TRUE(waitUntil([&] { return sent; }, 30000));
    for (const auto& a : mail.args()) EXPECT_NE(a, "--attach");
}

TEST_F(FeedbackWindowTest, FailuresAndBadFieldsAreExplained) {
    TempTree tree;
    FeedbackWindowController window(config(tree));
    window.send();
    EXPECT_TRUE(window.statusText().contains("describe the problem"));
    window.setMessage("Hello");
    window.setEmail("not an address");
    window.send();
    EXPECT_TRUE(window.statusText().contains("e-mail address does not look right"));
    window.setEmail("");

    {
        FakeMailProgram failing(tree, 3);
        window.send();
        ASSERT_TRUE(waitUntil(
            [&] { return window.statusText().contains("No mail program could be opened"); }));
    }
    auto c = config(tree);
    c.mailProgram = QString::fromStdString(tree.path("bin/no-such-mailer"));
    FeedbackWindowController missing(c);
    missing.setMessage("Hello");
    missing.send();
    ASSERT_TRUE(waitUntil([&] { return missing.statusText().contains("Save Archive"); }));
    EXPECT_FALSE(missing.isShowingThanks());
}

TEST_F(FeedbackWindowTest, SavingWritesTheArchiveWhereTheUserChose) {
    TempTree tree;
    FeedbackWindowController window(config(tree));
    window.setMessage("Saved for later.");
    ASSERT_TRUE(window.saveTo(QString::fromStdString(tree.path("feedback.zip"))));
    const auto files = zipEntries(tree.path("feedback.zip"));
    EXPECT_TRUE(files.count("logs/orvane.log"));
    EXPECT_NE(files.at("feedback.txt").find("Saved for later."), std::string::npos);
    EXPECT_TRUE(window.isShowingThanks());

    EXPECT_FALSE(window.saveTo(QString::fromStdString(tree.path("missing/folder/feedback.zip"))));
    EXPECT_TRUE(window.statusText().contains("could not"));
}
