#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/renamer/FileDataExtraction.h"
#include "core/renamer/RenameRequest.h"
#include "namer/BuiltinNamer.h"
#include "namer/NameCleaner.h"
#include "namer/NamerServer.h"
#include "namer/OpenAICompatibleNamer.h"
#include "renamer/DocumentFixtures.h"
#include "support/LocalHttpServer.h"

using namespace orvane::namer;
using nlohmann::json;
using orvane::renamer::AIRenameFileModel;
using orvane::renamer::PerferenceSetting;
using orvane::renamer::RenameRequest;
using orvane::testing::LocalHttpServer;

namespace {

NameRequest request(std::string content, int order = 1, std::string owner = "",
                    std::string date = "", std::string ext = "pdf") {
    NameRequest r;
    r.content = std::move(content);
    r.originalFilename = "scan." + ext;
    r.fileExtension = ext;
    r.owner = std::move(owner);
    r.date = std::move(date);
    r.formateNum = order;
    return r;
}

std::string nameFor(const NameRequest& r) {
    const NameSuggestion s = BuiltinNamer().suggest(r);
    EXPECT_TRUE(s.ok()) << s.error;
    return s.name;
}

}  // namespace

TEST(BuiltinNamerTest, TitleOrTellingWordsWithOwnerAndDateInTheAskedOrder) {
    EXPECT_EQ(nameFor(request("## Annual Budget\nThe budget covers twelve months.")),
              "Annual Budget.pdf");
    const std::string prose =
        "The committee reviewed the harbour expansion plan. The harbour expansion needs funding, "
        "and the committee asked the council for harbour funding before the winter season, "
        "because expansion costs grow every year and funding gets harder to find.";
    EXPECT_EQ(nameFor(request(prose)), "committee harbour expansion funding.pdf");
    const std::string content = "Invoice March\nbody";
    EXPECT_EQ(nameFor(request(content, 2, "Northwind", "2024-03-15 10:30")),
              "Invoice March_Northwind_2024-03-15.pdf");
    EXPECT_EQ(nameFor(request(content, 3, "Northwind", "2024-03-15 10:30")),
              "Invoice March_2024-03-15_Northwind.pdf");
    EXPECT_EQ(nameFor(request(content, 4, "Northwind", "2024-03-15")),
              "Northwind_Invoice March_2024-03-15.pdf");
    EXPECT_EQ(nameFor(request(content, 5, "Northwind", "2024-03-15")),
              "Northwind_2024-03-15_Invoice March.pdf");
    EXPECT_EQ(nameFor(request(content, 6, "Northwind", "D:20240315")),
              "2024-03-15_Invoice March_Northwind.pdf");
    EXPECT_EQ(nameFor(request(content, 7, "", "2024-03-01T10:00:00 ~ 2024-03-02T10:00:00")),
              "2024-03-01_Invoice March.pdf");
    EXPECT_EQ(nameFor(request("row:Name,Amount,City sample:[[\"a\"]]", 1, "", "", "csv")),
              "Name Amount City table.csv");
}

TEST(BuiltinNamerTest, NamesAreSafeShortAndCutAtWholeWords) {
    const std::string hostile = "../../etc/passwd\x01: a <b>|c*?\"d\\e";
    const std::string name = nameFor(request(hostile, 1, "", "", "txt"));
    EXPECT_EQ(name.find('/'), std::string::npos) << name;
    EXPECT_EQ(name.find('\\'), std::string::npos);
    EXPECT_NE(name.front(), '.');
    EXPECT_EQ(name, "etc passwd a b c d e.txt");

    const std::string cut =
        nameFor(request("Extraordinarily Detailed Report About Harbour Expansions\n", 2,
                        "Owner Name", "2020-01-01"));
    EXPECT_EQ(cut, "Extraordinarily Detailed Report About Harbour_Owner Name_2020-01-01.pdf");
    std::string words;
    for (int i = 0; i < 30; ++i) words += "alpha beta gamma delta epsilon zeta ";
    EXPECT_LE(NameCleaner::clean(words, "txt").size(), 80u);
    EXPECT_EQ(NameCleaner::clean(std::string(100, 'x'), "").size(), 80u);

    EXPECT_EQ(NameCleaner::clean("..hidden\n\tname..", "txt"), "hidden name.txt");
    EXPECT_EQ(NameCleaner::clean("///", "txt"), "");
    EXPECT_FALSE(BuiltinNamer().suggest(request("12 34 -- !!")).ok());
}

TEST(BuiltinNamerTest, ImagesAreNamedFromTheirTextOrTheirDate) {
    const std::string png = orvane::testing::renderTextPng({"BOARDING PASS"}, 1400, 260);
    const std::string url = orvane::renamer::dataURL("image/png", png);
    EXPECT_EQ(nameFor(request(url, 1, "", "", "png")), "BOARDING PASS.png");

    const std::string blank = orvane::testing::renderTextPng({}, 200, 200);
    EXPECT_FALSE(
        BuiltinNamer()
            .suggest(request(orvane::renamer::dataURL("image/png", blank), 1, "", "", "png"))
            .ok());
    EXPECT_EQ(nameFor(request(orvane::renamer::dataURL("image/png", blank), 1, "",
                              "2023:07:14 09:00:00", "png")),
              "2023-07-14.png");
    EXPECT_FALSE(BuiltinNamer().suggest(request("data:image/png;base64,@@@", 1)).ok());
}

TEST(NamerServerTest, AnswersTheRenamerOverHttp) {
    NamerServer server(std::make_shared<BuiltinNamer>());
    std::string error;
    ASSERT_TRUE(server.start("127.0.0.1", 0, error)) << error;
    AIRenameFileModel file;
    file.filePath = "/tmp/x/minutes.docx";
    file.extractedData = "Board Meeting Minutes\nAttendees: ...";
    file.peferType = PerferenceSetting::contentAutorDate;
    file.owner = "Jane Roe";
    const auto result = RenameRequest::aiFileRename(server.baseURL(), file);
    ASSERT_TRUE(result.ok()) << result.error.description();
    EXPECT_EQ(*result.suggestedName, "Board Meeting Minutes_Jane Roe.docx");

    file.extractedData = "";
    file.owner.clear();
    const auto empty = RenameRequest::aiFileRename(server.baseURL(), file);
    ASSERT_FALSE(empty.ok());
    EXPECT_EQ(empty.error.description(), "Nothing in the file tells what to name it.");

    const auto [status, body] = NamerServer::answer(BuiltinNamer(), "{\"content\": 5}");
    EXPECT_EQ(status, 400);
    EXPECT_FALSE(json::parse(body)["data"]["success"].get<bool>());
    EXPECT_EQ(NamerServer::answer(BuiltinNamer(), "[]").first, 400);
    EXPECT_EQ(NamerServer::answer(BuiltinNamer(), R"({"content":"a","original_filename":"b",)"
                                                  R"("formate_num":99})")
                  .first,
              400);
}

// A small OpenAI-compatible endpoint that records what it is asked and answers as told.
struct FakeModel {
    json lastRequest;
    std::string lastAuth, lastPath;
    std::string reply = "Quarterly Report";
    int status = 200;
    std::mutex m;
    // Last, so it is stopped before the members its handler uses are gone.
    LocalHttpServer http;
    FakeModel() {
        http.server().Post(".*", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(m);
            lastRequest = json::parse(req.body, nullptr, false);
            lastAuth = req.get_header_value("Authorization");
            lastPath = req.path;
            res.status = status;
            res.set_content(
                json{{"id", "x"},
                     {"choices",
                      json::array({{{"index", 0},
                                    {"message", {{"role", "assistant"}, {"content", reply}}}}})}}
                    .dump(),
                "application/json");
        });
        http.start();
    }
};

TEST(OpenAICompatibleNamerTest, AsksForLanguageAndOrderAndCapsTheContent) {
    FakeModel model;
    OpenAICompatibleNamer::Config config;
    config.url = model.http.url() + "/v1/";
    config.model = "llama3.2";
    config.apiKey = "secret";
    config.maxContentCharacters = 100;
    OpenAICompatibleNamer namer(config);

    NameRequest r = request(std::string(300, 'x'), 2, "Ana", "2024-01-02", "docx");
    r.language = "de";
    const NameSuggestion s = namer.suggest(r);
    ASSERT_TRUE(s.ok()) << s.error;
    EXPECT_EQ(s.name, "Quarterly Report.docx");
    EXPECT_EQ(model.lastPath, "/v1/chat/completions");
    EXPECT_EQ(model.lastAuth, "Bearer secret");
    EXPECT_EQ(model.lastRequest["model"], "llama3.2");
    const std::string system = model.lastRequest["messages"][0]["content"];
    EXPECT_NE(system.find("in German"), std::string::npos) << system;
    EXPECT_NE(system.find("a short description of the content, then the owner"), std::string::npos);
    const std::string user = model.lastRequest["messages"][1]["content"];
    EXPECT_NE(user.find("Owner: Ana"), std::string::npos);
    EXPECT_NE(user.find(std::string(100, 'x')), std::string::npos);
    EXPECT_EQ(user.find(std::string(101, 'x')), std::string::npos);
    EXPECT_NE(user.find("cut here"), std::string::npos);
}

TEST(OpenAICompatibleNamerTest, ImagesGoAsDataUrlsAndAnswersAreCleaned) {
    FakeModel model;
    OpenAICompatibleNamer namer({model.http.url() + "/v1/chat/completions", "llava", "", 6000, 10});
    model.reply = "<think>It is a receipt.</think>\n```\nFile name: \"../Cafe Receipt.JPG\"\n```";
    const NameSuggestion s =
        namer.suggest(request("data:image/jpeg;base64,AQID", 1, "", "", "jpg"));
    ASSERT_TRUE(s.ok()) << s.error;
    EXPECT_EQ(s.name, "Cafe Receipt.jpg");
    EXPECT_TRUE(model.lastAuth.empty());
    const json& parts = model.lastRequest["messages"][1]["content"];
    ASSERT_TRUE(parts.is_array());
    EXPECT_EQ(parts[1]["type"], "image_url");
    EXPECT_EQ(parts[1]["image_url"]["url"], "data:image/jpeg;base64,AQID");

    model.reply = "   \n\n";
    EXPECT_FALSE(namer.suggest(request("text")).ok());
    model.status = 503;
    const NameSuggestion down = namer.suggest(request("text"));
    EXPECT_EQ(down.error, "The language model answered with status 503.");
}
