#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <nlohmann/json.hpp>

#include "core/renamer/RenamePreferences.h"
#include "core/renamer/RenameRequest.h"
#include "core/settings/UserDefaults.h"
#include "support/LocalHttpServer.h"
#include "support/TempTree.h"

using namespace orvane::renamer;
using nlohmann::json;
using orvane::testing::LocalHttpServer;

namespace {

AIRenameFileModel sampleFile() {
    AIRenameFileModel f;
    f.filePath = "/home/u/Documents/scan 7.PDF";
    f.extractedData = "Invoice number 42";
    f.lang = "de";
    f.createTime = "2024-03-15 10:30";
    f.peferType = PerferenceSetting::dateAutorContent;
    f.owner = "Northwind";
    return f;
}

// A service whose answer each test sets, recording what it was sent.
struct FakeService {
    int status = 200;
    std::string body;
    int delayMs = 0;
    std::string lastBody, lastContentType, lastAccept, lastPath;
    std::mutex mutex;
    // Last, so it is stopped first: a handler still answering a client that gave up must not
    // outlive what it reads.
    LocalHttpServer http;

    FakeService() {
        http.server().Post(".*", [this](const httplib::Request& req, httplib::Response& res) {
            {
                std::lock_guard lock(mutex);
                lastBody = req.body;
                lastPath = req.path;
                lastContentType = req.get_header_value("Content-Type");
                lastAccept = req.get_header_value("Accept");
            }
            if (delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            res.status = status;
            res.set_content(body, "application/json");
        });
        http.start();
    }
};

std::string answer(bool success, const std::string& message, const std::string& name) {
    return json{{"data", {{"success", success}, {"message", message}, {"suggested_name", name}}}}
        .dump();
}

}  // namespace

TEST(RenameRequestTest, PostsTheSevenMembersAsJson) {
    FakeService service;
    service.body = answer(true, "", "Rechnung 42");
    const RenameResult r = RenameRequest::aiFileRename(service.http.url() + "/", sampleFile());
    ASSERT_TRUE(r.ok()) << r.error.description();
    EXPECT_EQ(*r.suggestedName, "Rechnung 42");
    EXPECT_EQ(service.lastPath, "/api/v1/ai/generate-filename");
    EXPECT_EQ(service.lastContentType, "application/json");
    EXPECT_EQ(service.lastAccept, "application/json");
    const json sent = json::parse(service.lastBody);
    EXPECT_EQ(sent.size(), 7u);
    EXPECT_EQ(sent["content"], "Invoice number 42");
    EXPECT_EQ(sent["original_filename"], "scan 7.PDF");
    EXPECT_EQ(sent["file_extension"], "PDF");
    EXPECT_EQ(sent["language"], "de");
    EXPECT_EQ(sent["owner"], "Northwind");
    EXPECT_EQ(sent["date"], "2024-03-15 10:30");
    EXPECT_EQ(sent["formate_num"], 7);
    EXPECT_TRUE(sent["formate_num"].is_number_integer());
}

TEST(RenameRequestTest, NamesThatAreNotUtf8AreSentReplacedNotDropped) {
    AIRenameFileModel f = sampleFile();
    f.filePath = "/tmp/caf\xE9.txt";
    const json sent = json::parse(RenameRequest::body(f));
    EXPECT_EQ(sent["original_filename"], "caf\xEF\xBF\xBD.txt");
}

TEST(RenameRequestTest, EveryResponseOutcomeHasItsError) {
    FakeService service;
    struct Case {
        int status;
        std::string body;
        NetworkError::Kind kind;
        std::string text;
    };
    const Case cases[] = {
        {500, answer(true, "", "x"), NetworkError::Kind::serverError, "Server error"},
        {404, "", NetworkError::Kind::serverError, "Server error"},
        {200, "<html>busy</html>", NetworkError::Kind::decodingError, ""},
        {200, R"({"result":{}})", NetworkError::Kind::decodingError, ""},
        {200, R"({"data":{"success":true,"message":""}})", NetworkError::Kind::decodingError, ""},
        {200, R"({"data":{"success":"yes","message":"","suggested_name":"a"}})",
         NetworkError::Kind::decodingError, ""},
        {200, R"({"data":[]})", NetworkError::Kind::decodingError, ""},
        {200, answer(false, "quota exceeded", ""), NetworkError::Kind::custom, "quota exceeded"},
    };
    for (const Case& c : cases) {
        service.status = c.status;
        service.body = c.body;
        const RenameResult r = RenameRequest::aiFileRename(service.http.url(), sampleFile());
        ASSERT_FALSE(r.ok()) << c.body;
        EXPECT_EQ(r.error.kind, c.kind) << c.body;
        if (!c.text.empty()) {
            EXPECT_EQ(r.error.description(), c.text);
        }
        if (c.kind == NetworkError::Kind::serverError) {
            EXPECT_EQ(r.error.code, c.status);
        }
    }
}

TEST(RenameRequestTest, TransportFailuresAndTimeOutsAreCustomErrors) {
    int closedPort = 0;
    {
        LocalHttpServer gone;
        gone.start();
        closedPort = gone.port();
    }
    const RenameResult refused =
        RenameRequest::aiFileRename("http://127.0.0.1:" + std::to_string(closedPort), sampleFile());
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error.kind, NetworkError::Kind::custom);
    EXPECT_FALSE(refused.error.message.empty());

    FakeService slow;
    slow.delayMs = 2500;
    slow.body = answer(true, "", "late");
    const auto start = std::chrono::steady_clock::now();
    const RenameResult late = RenameRequest::aiFileRename(slow.http.url(), sampleFile(), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2400));
    ASSERT_FALSE(late.ok());
    EXPECT_EQ(late.error.kind, NetworkError::Kind::custom);
    EXPECT_NE(late.error.message.find("imed out"), std::string::npos) << late.error.message;

    const RenameResult badScheme = RenameRequest::aiFileRename("file:///etc", sampleFile());
    EXPECT_FALSE(badScheme.ok());
}

TEST(RenameRequestTest, OversizedAnswersAreCutOff) {
    FakeService service;
    service.body = std::string(RenameRequest::kMaxResponseBytes + 10, ' ');
    const RenameResult r = RenameRequest::aiFileRename(service.http.url(), sampleFile());
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error.kind, NetworkError::Kind::custom);
}

TEST(RenamePreferencesTest, ChoicesComeFromTheSharedMenuEntry) {
    orvane::testing::TempTree tree;
    orvane::settings::UserDefaults defaults(tree.path("UserDefaults.plist"));
    EXPECT_EQ(RenamePreferences::getSettingValue(defaults), "en");
    EXPECT_EQ(RenamePreferences::getSettingValue2(defaults), PerferenceSetting::content);

    orvane::settings::Dictionary chosen;
    chosen.set("Rename Preferences", orvane::settings::PlistValue("Date_Owner_Content"));
    chosen.set("Language", orvane::settings::PlistValue("German"));
    defaults.setObject(orvane::settings::defaultskey::languageSelectedItems,
                       orvane::settings::PlistValue(chosen));
    EXPECT_EQ(RenamePreferences::getSettingValue(defaults), "de");
    EXPECT_EQ(formateNum(RenamePreferences::getSettingValue2(defaults)), 7);

    RenamePreferences::setLanguage(defaults, PerferenceSettingLang::langBR);
    RenamePreferences::setOrder(defaults, PerferenceSetting::contentDateAutor);
    orvane::settings::UserDefaults reread(tree.path("UserDefaults.plist"));
    EXPECT_EQ(RenamePreferences::getSettingValue(reread), "pt");
    EXPECT_EQ(RenamePreferences::getSettingValue2(reread), PerferenceSetting::contentDateAutor);

    chosen.set("Language", orvane::settings::PlistValue("Klingon"));
    defaults.setObject(orvane::settings::defaultskey::languageSelectedItems,
                       orvane::settings::PlistValue(chosen));
    EXPECT_EQ(RenamePreferences::getSettingValue(defaults), "en");
}

TEST(RenamePreferencesTest, SevenOrdersAndSixteenLanguages) {
    for (int n = 1; n <= 7; ++n) EXPECT_EQ(formateNum(*perferenceSettingFromFormateNum(n)), n);
    EXPECT_FALSE(perferenceSettingFromFormateNum(8));
    EXPECT_EQ(perferenceSettingFromDisplayText("Owner_Date_Content"),
              PerferenceSetting::autorDateContent);
    int codes = 0;
    for (int i = 0; i < kLanguageCount; ++i) {
        const auto lang = static_cast<PerferenceSettingLang>(i);
        EXPECT_EQ(languageFromCode(languageCode(lang)), lang);
        EXPECT_EQ(languageFromDisplayName(languageDisplayName(lang)), lang);
        ++codes;
    }
    EXPECT_EQ(codes, 16);
    EXPECT_EQ(languageCode(PerferenceSettingLang::langCN), "zh-cn");
    EXPECT_EQ(languageCode(PerferenceSettingLang::langBR), "pt");
}
