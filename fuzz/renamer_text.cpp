// Any bytes as a text document, a log, Markdown, HTML or a table: each reader must give a
// summary or an error, never a crash, a hang or text that is not UTF-8, and free text must keep
// to its 500 characters.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/renamer/CSVTSVExcelParser.h"
#include "core/renamer/HTMLParser.h"
#include "core/renamer/LOGParser.h"
#include "core/renamer/MarkdownParser.h"
#include "core/renamer/TXTParser.h"
#include "kit/Paths.h"

using namespace orvane::renamer;

namespace {

std::size_t characters(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const TXTParser txt;
    static const LOGParser log;
    static const MarkdownParser md;
    static const HTMLParser html;
    static const CSVTSVExcelParser table;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    ParseResult r;
    bool capped = true;
    switch (data[0] % 6) {
        case 0:
            r = txt.parseData("a.txt", bytes);
            break;
        case 1:
            r = log.parseData("a.log", bytes);
            capped = false;
            break;
        case 2:
            r = md.parseData("a.md", bytes);
            break;
        case 3:
            r = html.parseData("a.html", bytes);
            break;
        case 4:
            r = table.parseData("a.csv", bytes);
            break;
        default:
            r = table.parseData("a.tsv", bytes);
            break;
    }
    if (!r.ok()) {
        if (r.error.description.empty()) std::abort();
        return 0;
    }
    const std::string content = r.summary->field("content");
    if (!orvane::kit::isValidUtf8(content) || !orvane::kit::isValidUtf8(r.summary->field("title")))
        std::abort();
    if (capped && characters(content) > 500) std::abort();
    return 0;
}
