#include "core/renamer/DOCXParser.h"

#include <vector>

#include "core/renamer/ParserSupport.h"
#include "core/renamer/XmlStreamReader.h"

namespace orvane::renamer {

namespace {

constexpr const char* kDomain = "DOCXParser";
// Once the title is known, this much text is plenty for a 500-character summary.
constexpr std::size_t kTextBudget = 8 * 1024;

// Word names its first heading style "Heading1"; other writers spell it "Heading 1".
bool isHeading1(std::string_view style) {
    std::string compact;
    for (char c : style) {
        if (c == ' ') continue;
        compact += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return compact == "heading1";
}

struct Paragraph {
    std::string text;
    bool heading = false;
};

std::string authorOf(const ZipPackage& package) {
    std::string xml, error;
    if (!package.has("docProps/core.xml") || !package.readMember("docProps/core.xml", xml, error))
        return {};
    XmlStreamReader reader{std::string_view(xml)};
    bool inCreator = false;
    std::string author;
    while (reader.next()) {
        if (reader.isStartElement() && reader.localName() == "creator") {
            inCreator = !reader.isEmptyElement();
        } else if (reader.isEndElement() && reader.localName() == "creator") {
            break;
        } else if (inCreator && reader.isText()) {
            author += reader.value();
        }
    }
    return trim(author);
}

}  // namespace

bool DOCXParser::canHandle(std::string_view path) const { return lowerExtension(path) == "docx"; }

ParseResult DOCXParser::parseData(const std::string& fileName, std::string_view bytes) const {
    ZipPackage package(memberLimit_);
    std::string error;
    if (!package.open(bytes, error)) return ParseResult::failure(kDomain, 1, error);
    auto member = package.openMember("word/document.xml", error);
    if (!member) return ParseResult::failure(kDomain, 2, error);

    std::string title, text;
    std::vector<Paragraph> open;  // text boxes put paragraphs inside paragraphs
    bool inText = false;
    XmlStreamReader reader(*member);
    while (reader.next()) {
        const std::string_view local = reader.localName();
        if (reader.isStartElement()) {
            if (local == "p") {
                open.emplace_back();
                if (reader.isEmptyElement()) open.pop_back();
            } else if (local == "pStyle" && !open.empty()) {
                if (isHeading1(reader.attributeByLocalName("val"))) open.back().heading = true;
            } else if (local == "t") {
                inText = !reader.isEmptyElement();
            } else if ((local == "tab" || local == "br" || local == "cr") && !open.empty()) {
                open.back().text += local == "tab" ? '\t' : '\n';
            }
        } else if (reader.isEndElement()) {
            if (local == "t") {
                inText = false;
            } else if (local == "p" && !open.empty()) {
                Paragraph done = std::move(open.back());
                open.pop_back();
                if (title.empty() && done.heading) title = trim(done.text);
                if (text.size() < kTextBudget) {
                    if (!text.empty()) text += '\n';
                    text += done.text;
                }
                if (!title.empty() && text.size() >= kTextBudget) break;
            }
        } else if (inText && reader.isText() && !open.empty()) {
            open.back().text += reader.value();
        }
    }
    if (reader.failed())
        return ParseResult::failure(kDomain, 3, "The document text is damaged: " + reader.error());

    ExtractedSummary s = baseSummary(fileName, "DOCX");
    s.mainFields["title"] = toValidUtf8(prefixCharacters(title, 200));
    s.mainFields["content"] = toValidUtf8(prefixCharacters(trim(text)));
    const std::string author = authorOf(package);
    if (!author.empty()) s.metadata["author"] = toValidUtf8(author);
    return ParseResult::success(std::move(s));
}

}  // namespace orvane::renamer
