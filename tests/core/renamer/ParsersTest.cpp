#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>

#include "DocumentFixtures.h"
#include "core/renamer/CSVTSVExcelParser.h"
#include "core/renamer/DOCXParser.h"
#include "core/renamer/HTMLParser.h"
#include "core/renamer/JSONYAMLXMLParser.h"
#include "core/renamer/LOGParser.h"
#include "core/renamer/MarkdownParser.h"
#include "core/renamer/PDFParser.h"
#include "core/renamer/ParserRouter.h"
#include "core/renamer/TXTParser.h"
#include "support/TempTree.h"
#include "support/TimeScale.h"

using namespace orvane::renamer;
using orvane::testing::TempTree;
namespace fx = orvane::testing;

namespace {

std::string contentOf(const ParseResult& r) { return r.ok() ? r.summary->field("content") : ""; }

ParseResult parseWith(const FileParser& parser, const std::string& name, const std::string& bytes) {
    return parser.parseData(name, bytes);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The router: which parser, which limit, which error.

TEST(ParserRouterTest, ExtensionsAreComparedLowerCasedAndUnknownOnesAreRefused) {
    TempTree tree;
    ParserRouter router;
    const auto txt = router.parse(tree.file("Report.TXT", "Quarterly figures\nmore"));
    ASSERT_TRUE(txt.ok()) << txt.error.description;
    EXPECT_EQ(txt.summary->typeLabel, "TXT");
    EXPECT_EQ(txt.summary->field("title"), "Quarterly figures");
    EXPECT_EQ(txt.summary->field("name"), "Report.TXT");

    const auto md = router.parse(tree.file("notes.markdown", "# Title"));
    ASSERT_FALSE(md.ok());
    EXPECT_EQ(md.error.domain, "Parser");
    EXPECT_EQ(md.error.code, 2);
    EXPECT_EQ(md.error.description, "不支持的type");

    const auto missing = router.parse(tree.path("gone.txt"));
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error.description.find("No such file"), std::string::npos);
    EXPECT_EQ(ParserRouter::supportedExtensions().size(), 20u);
}

TEST(ParserRouterTest, SizeLimitsAreExactToTheByte) {
    TempTree tree;
    ParserRouter router;
    const auto atLimit = router.parse(tree.sparseFile("big.pdf", 20'971'520));
    ASSERT_FALSE(atLimit.ok());  // accepted by the policy, then not a PDF
    EXPECT_EQ(atLimit.error.description, "无法打开 PDF");

    const auto over = router.parse(tree.sparseFile("bigger.pdf", 20'971'521));
    ASSERT_FALSE(over.ok());
    EXPECT_EQ(over.error.domain, "Parser");
    EXPECT_EQ(over.error.code, 1);
    EXPECT_EQ(over.error.description, "超过可添加大小限制");

    const auto photo = router.parse(tree.sparseFile("photo.jpg", 52'428'800));
    ASSERT_TRUE(photo.ok());
    EXPECT_EQ(photo.summary->typeLabel, "IMAGE");
    EXPECT_TRUE(photo.summary->parseThenUpload);
    EXPECT_FALSE(router.parse(tree.sparseFile("huge.png", 52'428'801)).ok());
}

TEST(ParserRouterTest, LargeDocumentsAreMarkedForUploadFromFiveMebibytes) {
    TempTree tree;
    ParserRouter router;
    const auto five = router.parse(tree.fileOfSize("five.txt", 5'242'880, 'a'));
    ASSERT_TRUE(five.ok()) << five.error.description;
    EXPECT_TRUE(five.summary->parseThenUpload);
    const auto less = router.parse(tree.fileOfSize("less.txt", 5'242'879, 'a'));
    ASSERT_TRUE(less.ok());
    EXPECT_FALSE(less.summary->parseThenUpload);
}

TEST(ParserRouterTest, ParsingNeverChangesTheFile) {
    TempTree tree;
    ParserRouter router;
    std::vector<std::string> paths = {
        tree.file("a.txt", "hello"), tree.file("b.md", "---\ntitle: x\n---\nbody"),
        tree.file("c.json", "{\"a\":1}"), tree.file("d.docx", fx::docxBytes({{"", "x"}}, "me")),
        tree.file("e.pdf", fx::textPdf({"Hello"}, "T", "A", "D:20240101000000Z"))};
    for (const auto& p : paths) {
        ::chmod(p.c_str(), 0444);
        struct stat before {
        }, after{};
        ::stat(p.c_str(), &before);
        EXPECT_TRUE(router.parse(p).ok()) << p;
        ::stat(p.c_str(), &after);
        EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
        EXPECT_EQ(before.st_ctim.tv_sec, after.st_ctim.tv_sec);
        EXPECT_EQ(before.st_size, after.st_size);
    }
}

TEST(ParserRouterTest, AFifoNamedTxtIsRefusedWithoutBlocking) {
    TempTree tree;
    const std::string fifo = tree.path("pipe.txt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto r = ParserRouter().parse(fifo);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error.description, "Only regular files can be read.");
}

// ---------------------------------------------------------------------------------------------
// Text and logs: encodings, refusals, the log's time range.

TEST(TextParsersTest, TextInCommonEncodingsIsDecoded) {
    TXTParser txt;
    const std::string chinese =
        "季度报告\n本报告总结了公司在第三季度的销售情况，包括各地区的收入和支出。"
        "我们的销售额比去年同期增长了百分之十五，主要来自华东和华南地区的新客户。";
    const auto gb = parseWith(txt, "gb.txt", fx::encodeAs(chinese, "GB18030"));
    ASSERT_TRUE(gb.ok()) << gb.error.description;
    EXPECT_EQ(gb.summary->field("title"), "季度报告");

    const auto utf16 =
        parseWith(txt, "u16.txt", fx::encodeAs("\n\n  Minutes of the meeting\nAgenda", "UTF-16"));
    ASSERT_TRUE(utf16.ok()) << utf16.error.description;
    EXPECT_EQ(utf16.summary->field("title"), "Minutes of the meeting");

    const auto bom = parseWith(txt, "bom.txt", "\xEF\xBB\xBFHello there");
    ASSERT_TRUE(bom.ok());
    EXPECT_EQ(bom.summary->field("content"), "Hello there");
}

TEST(TextParsersTest, ContentIsCutAtFiveHundredCharactersNotBytes) {
    std::string text;
    for (int i = 0; i < 600; ++i) text += "é";
    const auto r = parseWith(TXTParser(), "accents.txt", text);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(contentOf(r).size(), 1000u);  // 500 two-byte characters, none split
}

TEST(TextParsersTest, BinaryDataNamedTxtIsRefused) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
    const auto r = parseWith(TXTParser(), "data.txt", binary);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error.domain, "TXTParser");
}

TEST(TextParsersTest, LogKeepsTenLinesAndTheTimeRange) {
    std::string log;
    for (int i = 0; i < 30; ++i)
        log += "2026-03-0" + std::to_string(1 + i / 10) + "T10:00:" + (i < 10 ? "0" : "") +
               std::to_string(i) + ".123+01:00 INFO step " + std::to_string(i) + "\r\n\r\n";
    const auto r = parseWith(LOGParser(), "app.log", log);
    ASSERT_TRUE(r.ok()) << r.error.description;
    const std::string content = contentOf(r);
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 9);
    EXPECT_NE(content.find("step 9"), std::string::npos);
    EXPECT_EQ(content.find("step 10"), std::string::npos);
    EXPECT_EQ(r.summary->meta("createTime"),
              "2026-03-01T10:00:00.123+01:00 ~ 2026-03-03T10:00:29.123+01:00");
    EXPECT_EQ(r.summary->hints, std::vector<std::string>{"仅保留时间+日志关键字"});
}

TEST(TextParsersTest, LogTimeStampShapes) {
    EXPECT_EQ(LOGParser::timeStampCandidate("  2026-12-06 14:03:27 boot"), "2026-12-06 14:03:27");
    EXPECT_EQ(LOGParser::timeStampCandidate("2026-12-06T14:03:27,123456Z x"),
              "2026-12-06T14:03:27,123456Z");
    EXPECT_EQ(LOGParser::timeStampCandidate("2026-12-06T14:03:27.12 x"), "2026-12-06T14:03:27");
    EXPECT_EQ(LOGParser::timeStampCandidate("[2026-12-06 14:03:27]"), "");
    EXPECT_EQ(LOGParser::timeStampCandidate("2026-12-06"), "");

    // Only the last line carries a stamp: the start of the range stays empty.
    const auto r = parseWith(LOGParser(), "x.log", "starting\n2026-01-02 03:04:05 done\n");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.summary->meta("createTime"), " ~ 2026-01-02 03:04:05");
    const auto none = parseWith(LOGParser(), "y.log", "no stamps here\n");
    EXPECT_EQ(none.summary->meta("createTime"), "");
}

TEST(TextParsersTest, CompressedAndUndecodableLogsFailWithTheirReason) {
    std::string gz = "\x1F\x8B\x08\x00";
    for (int i = 0; i < 2000; ++i) gz += static_cast<char>((i * 131) & 0xFF);
    const auto g = parseWith(LOGParser(), "old.log", gz);
    ASSERT_FALSE(g.ok());
    EXPECT_EQ(g.error.domain, "LOGParser");
    EXPECT_EQ(g.error.description, "检测到 gzip 压缩，请先解压再解析");

    std::string junk(3000, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>(i % 7);
    const auto j = parseWith(LOGParser(), "junk.log", junk);
    ASSERT_FALSE(j.ok());
    EXPECT_EQ(j.error.description, "无法按常见编码解码为文本（UTF-8/UTF-16/GB18030）");

    // UTF-16 without a byte-order mark is found by the fallback.
    const auto u =
        parseWith(LOGParser(), "win.log", fx::encodeAs("2026-01-01 00:00:00 a\nb\n", "UTF-16LE"));
    ASSERT_TRUE(u.ok()) << u.error.description;
    EXPECT_EQ(contentOf(u), "2026-01-01 00:00:00 a\nb");
}

// ---------------------------------------------------------------------------------------------
// Markup: Markdown and HTML.

TEST(MarkupParsersTest, MarkdownFrontMatterGivesTitleAuthorAndDate) {
    const auto r = parseWith(MarkdownParser(), "post.md",
                             "---\ntitle: \"Trip to Lisbon\"\nauthor: Ana Silva\ndate: 2025-06-01\n"
                             "tags: [travel]\n---\n\n# A heading\nWe walked all day.");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.summary->typeLabel, "Markdown");
    EXPECT_EQ(r.summary->field("title"), "Trip to Lisbon");
    EXPECT_EQ(r.summary->meta("author"), "Ana Silva");
    EXPECT_EQ(r.summary->meta("date"), "2025-06-01");
    EXPECT_EQ(contentOf(r), "# A heading\nWe walked all day.");
}

TEST(MarkupParsersTest, MarkdownWithoutFrontMatterTakesTheHeading) {
    const auto r = parseWith(MarkdownParser(), "n.md", "intro\n  # Release notes \nauthor: x");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.summary->field("title"), "Release notes");
    EXPECT_TRUE(r.summary->meta("author").empty());
    EXPECT_TRUE(r.summary->meta("date").empty());
    EXPECT_EQ(contentOf(r), "intro\n  # Release notes \nauthor: x");
}

TEST(MarkupParsersTest, HtmlGivesTitleVisibleTextAndMetaFields) {
    const auto r = parseWith(
        HTMLParser(), "page.html",
        "<html><head><title> Garden   Plans </title><meta name=\"description\" content=\"Beds and "
        "paths\"><meta name=\"Keywords\" content=\"garden, spring\"><style>p{color:red}</style>"
        "</head><body><script>var hidden = 1;</script><h1>Spring</h1><p>Plant <b>tulips</b> "
        "early.</p></body></html>");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.summary->field("title"), "Garden Plans");
    EXPECT_EQ(contentOf(r), "Garden Plans Spring Plant tulips early.");
    EXPECT_EQ(r.summary->meta("meta description"), "Beds and paths");
    EXPECT_EQ(r.summary->meta("meta keywords"), "garden, spring");

    const auto broken = parseWith(HTMLParser(), "b.htm", "<p>unclosed <div>tags & stray </span>");
    ASSERT_TRUE(broken.ok());
    EXPECT_EQ(contentOf(broken), "unclosed tags & stray");
    EXPECT_FALSE(broken.summary->metadata.count("meta description"));
}

// ---------------------------------------------------------------------------------------------
// Office packages.

TEST(OfficeParsersTest, DocxGivesHeadingTextAndAuthor) {
    const auto bytes = fx::docxBytes({{"", "Draft"},
                                      {"Heading1", "Annual Budget"},
                                      {"", "The budget covers twelve months."},
                                      {"Heading1", "Second heading"}},
                                     "Maria Lopez");
    const auto r = parseWith(DOCXParser(), "b.docx", bytes);
    ASSERT_TRUE(r.ok()) << r.error.description;
    EXPECT_EQ(r.summary->field("title"), "Annual Budget");
    EXPECT_EQ(r.summary->meta("author"), "Maria Lopez");
    EXPECT_EQ(contentOf(r),
              "Draft\nAnnual Budget\nThe budget covers twelve months.\nSecond heading");
}

TEST(OfficeParsersTest, DamagedPackagesAndZipBombsFailWithTheirReason) {
    const auto corrupt = parseWith(DOCXParser(), "c.docx", "PK\x03\x04 not really a zip");
    ASSERT_FALSE(corrupt.ok());
    EXPECT_EQ(corrupt.error.domain, "DOCXParser");

    const auto noBody = parseWith(DOCXParser(), "n.docx", fx::zipBytes({{"other.xml", "<a/>"}}));
    ASSERT_FALSE(noBody.ok());
    EXPECT_NE(noBody.error.description.find("word/document.xml"), std::string::npos);

    // Two megabytes of one repeated paragraph compress to a few kilobytes.
    std::string body = "<w:document xmlns:w=\"w\"><w:body>";
    while (body.size() < 2 * 1024 * 1024)
        body += "<w:p><w:r><w:t>aaaaaaaaaaaaaaaa</w:t></w:r></w:p>";
    body += "</w:body></w:document>";
    const std::string bomb = fx::zipBytes({{"word/document.xml", body}});
    ASSERT_LT(bomb.size(), 100'000u);
    const auto refused = parseWith(DOCXParser(1024 * 1024), "bomb.docx", bomb);
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error.description.find("zip bomb"), std::string::npos);
    EXPECT_TRUE(parseWith(DOCXParser(), "bomb.docx", bomb).ok());

    const auto badXml = parseWith(DOCXParser(), "x.docx",
                                  fx::zipBytes({{"word/document.xml", "<w:document><w:p>"}}));
    ASSERT_FALSE(badXml.ok());
    EXPECT_NE(badXml.error.description.find("damaged"), std::string::npos);
}

TEST(OfficeParsersTest, XlsxGivesHeaderAndTwoSampleRowsOfTheFirstSheet) {
    const auto bytes = fx::xlsxBytes({{"Name", "Amount", "City"},
                                      {"Alice", "12.5", "Oslo"},
                                      {"Bob", "", "Bergen"},
                                      {"Carol", "7", "Tromsø"}});
    const auto r = parseWith(CSVTSVExcelParser(), "t.xlsx", bytes);
    ASSERT_TRUE(r.ok()) << r.error.description;
    EXPECT_EQ(r.summary->typeLabel, "CSV/TSV/Excel");
    EXPECT_EQ(contentOf(r),
              "row:Name,Amount,City sample:[[\"Alice\", \"12.5\", \"Oslo\"], [\"Bob\", \"\", "
              "\"Bergen\"]]");

    const auto corrupt = parseWith(CSVTSVExcelParser(), "bad.xlsx", "garbage");
    ASSERT_FALSE(corrupt.ok());
    EXPECT_EQ(corrupt.error.description.rfind("无法解析 Excel 文件: ", 0), 0u);
}

TEST(OfficeParsersTest, DelimitedTablesUseTheirSeparator) {
    const auto csv =
        parseWith(CSVTSVExcelParser(), "a.csv",
                  "id,\"full, name\",note\n1,\"Smith, J\",\"say \"\"hi\"\"\"\n2,Lee,\n3,X,Y\n");
    ASSERT_TRUE(csv.ok());
    EXPECT_EQ(contentOf(csv),
              "row:id,full, name,note sample:[[\"1\", \"Smith, J\", \"say \\\"hi\\\"\"], [\"2\", "
              "\"Lee\", \"\"]]");
    const auto tsv = parseWith(CSVTSVExcelParser(), "a.tsv", "a\tb,c\n1\t2\n");
    ASSERT_TRUE(tsv.ok());
    EXPECT_EQ(contentOf(tsv), "row:a,b,c sample:[[\"1\", \"2\"]]");
    const auto empty = parseWith(CSVTSVExcelParser(), "e.csv", "");
    ASSERT_TRUE(empty.ok());
    EXPECT_EQ(contentOf(empty), "row: sample:[]");
}

// ---------------------------------------------------------------------------------------------
// PDF: the text layer, and recognition of a scan.

TEST(PdfParserTest, TextLayerAndDocumentInformation) {
    const auto r = parseWith(PDFParser(), "p.pdf",
                             fx::textPdf({"Invoice   number 42", "Total due"}, "Invoice March",
                                         "Northwind Ltd", "D:20240315103000Z"));
    ASSERT_TRUE(r.ok()) << r.error.description;
    EXPECT_EQ(contentOf(r), "Invoice number 42 Total due");
    EXPECT_EQ(r.summary->field("title"), "Invoice March");
    EXPECT_EQ(r.summary->meta("author"), "Northwind Ltd");
    EXPECT_EQ(r.summary->meta("createTime").substr(0, 10), "2024-03-15");
}

TEST(PdfParserTest, AScanWithoutTextIsReadByRecognition) {
    const int w = 1800, h = 400;
    const auto pixels = fx::renderTextGray({"QUARTERLY REPORT", "NORTH REGION"}, w, h);
    const auto r = parseWith(PDFParser(), "scan.pdf", fx::imagePdf(pixels, w, h));
    ASSERT_TRUE(r.ok()) << r.error.description;
    EXPECT_NE(contentOf(r).find("QUARTERLY REPORT"), std::string::npos) << contentOf(r);
    EXPECT_NE(contentOf(r).find("NORTH"), std::string::npos) << contentOf(r);
}

TEST(PdfParserTest, UnreadableAndEncryptedPdfsFail) {
    const auto junk = parseWith(PDFParser(), "j.pdf", "%PDF-1.4 nothing else");
    ASSERT_FALSE(junk.ok());
    EXPECT_EQ(junk.error.domain, "PDFParser");
    EXPECT_EQ(junk.error.description, "无法打开 PDF");
    const auto locked = parseWith(PDFParser(), "l.pdf", fx::encryptedPdf());
    ASSERT_FALSE(locked.ok());
    EXPECT_EQ(locked.error.description, "无法打开 PDF");
}

// ---------------------------------------------------------------------------------------------
// Structured data.

TEST(StructuredParsersTest, JsonTopLevelIsDescribedBriefly) {
    const auto obj = parseWith(JSONYAMLXMLParser(), "c.json",
                               R"({"name":"orvane","version":2.5,"ok":true,"none":null,)"
                               R"("deps":{"qt":6,"icu":72},"files":[1,[2,3],{"x":1}]})");
    ASSERT_TRUE(obj.ok()) << obj.error.description;
    EXPECT_EQ(obj.summary->typeLabel, "JSON");
    EXPECT_EQ(contentOf(obj),
              "name:orvane | version:2.5 | ok:true | none:null | deps:Object(qt,icu) | "
              "files:Array(count:3)");
    const auto arr = parseWith(JSONYAMLXMLParser(), "a.json", R"([{"a":1},[1,2],"three",4])");
    ASSERT_TRUE(arr.ok());
    EXPECT_EQ(contentOf(arr), "[0]:Object(a) | [1]:Array(count:2) | [2]:three");
    const auto bad = parseWith(JSONYAMLXMLParser(), "b.json", R"({"a": [1, 2)");
    ASSERT_FALSE(bad.ok());
    EXPECT_NE(bad.error.description.find("JSON"), std::string::npos);
}

TEST(StructuredParsersTest, ATwentyMebibyteOneLineJsonIsSummarisedQuickly) {
    std::string big = R"({"rows":[)";
    while (big.size() < 20 * 1024 * 1024) big += "12345,";
    big += R"(0],"title":"end"})";
    const auto start = std::chrono::steady_clock::now();
    const auto r = parseWith(JSONYAMLXMLParser(), "big.json", big);
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(r.ok()) << r.error.description;
    EXPECT_EQ(contentOf(r).substr(0, 20), "rows:Array(count:349");
    EXPECT_NE(contentOf(r).find("title:end"), std::string::npos);
    EXPECT_LT(took, std::chrono::seconds(10) * orvane::testing::kTimeScale);
}

TEST(StructuredParsersTest, YamlTopLevelIsDescribedBriefly) {
    const auto r = parseWith(JSONYAMLXMLParser(), "ci.yml",
                             "name: build\non: [push, pull_request]\njobs:\n  test:\n    x: 1\n"
                             "  lint: {}\n");
    ASSERT_TRUE(r.ok()) << r.error.description;
    EXPECT_EQ(r.summary->typeLabel, "YML");
    EXPECT_EQ(contentOf(r), "name:build | on:Array(count:2) | jobs:Object(test,lint)");
    const auto bad = parseWith(JSONYAMLXMLParser(), "b.yaml", "a: [1, 2\nb: }");
    ASSERT_FALSE(bad.ok());
    EXPECT_NE(bad.error.description.find("YAML"), std::string::npos);
}

TEST(StructuredParsersTest, XmlFirstLevelElementsAreSummarised) {
    const auto r =
        parseWith(JSONYAMLXMLParser(), "feed.xml",
                  "<?xml version=\"1.0\"?><catalog><book id=\"b1\" lang=\"en\"><title>A</title>"
                  "<author role=\"main\">X</author><author>Y</author></book><magazine/></catalog>");
    ASSERT_TRUE(r.ok()) << r.error.description;
    EXPECT_EQ(r.summary->typeLabel, "XML");
    EXPECT_EQ(contentOf(r),
              "book:attrs(id=b1,lang=en) children(title:1,author:2) samples((role=main)) | "
              "magazine:");

    const auto bad = parseWith(JSONYAMLXMLParser(), "b.xml", "<a><b></a>");
    ASSERT_FALSE(bad.ok());
    EXPECT_NE(bad.error.description.find("XML"), std::string::npos);

    // Nested entities are not expanded into a billion laughs.
    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"hahahahaha\">";
    for (char c = 'b'; c <= 'j'; ++c) {
        std::string refs;
        for (int i = 0; i < 10; ++i) refs += std::string("&") + static_cast<char>(c - 1) + ";";
        laughs += std::string("<!ENTITY ") + c + " \"" + refs + "\">";
    }
    laughs += "]><l><x>&j;</x></l>";
    const auto start = std::chrono::steady_clock::now();
    parseWith(JSONYAMLXMLParser(), "laughs.xml", laughs);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}
