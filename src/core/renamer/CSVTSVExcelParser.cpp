#include "core/renamer/CSVTSVExcelParser.h"

#include <csv.h>

#include <map>
#include <vector>

#include "core/renamer/ParserSupport.h"
#include "core/renamer/TextDecoding.h"
#include "core/renamer/XmlStreamReader.h"

namespace orvane::renamer {

namespace {

constexpr const char* kDomain = "CSVTSVExcelParser";
constexpr std::size_t kRowsWanted = 3;   // the header and two samples
constexpr std::size_t kMaxColumns = 64;  // wider tables are summarised by their first columns
constexpr std::size_t kCellCharacters = 200;

using Row = std::vector<std::string>;

// Like a printed list of lists: [["a", "b"], ["c", "d"]].
std::string describeRows(const std::vector<Row>& rows) {
    std::string out = "[";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (r) out += ", ";
        out += '[';
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            if (c) out += ", ";
            out += '"';
            for (char ch : rows[r][c]) {
                if (ch == '"' || ch == '\\') out += '\\';
                out += ch;
            }
            out += '"';
        }
        out += ']';
    }
    return out + "]";
}

std::string tableContent(const std::vector<Row>& rows) {
    std::string content = "row:";
    if (!rows.empty()) {
        for (std::size_t c = 0; c < rows[0].size(); ++c) {
            if (c) content += ',';
            content += rows[0][c];
        }
    }
    const std::vector<Row> samples(rows.size() > 1 ? rows.begin() + 1 : rows.end(), rows.end());
    content += " sample:" + describeRows(samples);
    return prefixCharacters(content);
}

struct CsvCollector {
    std::vector<Row> rows;
    Row current;
};

void onField(void* data, std::size_t len, void* context) {
    auto* c = static_cast<CsvCollector*>(context);
    if (c->current.size() >= kMaxColumns) return;
    std::string_view field(data ? static_cast<const char*>(data) : "", data ? len : 0);
    c->current.push_back(prefixCharacters(field, kCellCharacters));
}

void onRow(int, void* context) {
    auto* c = static_cast<CsvCollector*>(context);
    if (c->rows.size() < kRowsWanted) c->rows.push_back(std::move(c->current));
    c->current.clear();
}

ParseResult parseDelimited(const std::string& fileName, std::string_view bytes, bool tabs) {
    auto text = decodeDetected(bytes);
    if (!text)
        return ParseResult::failure(kDomain, 1,
                                    "The table is not text in an encoding Orvane can read.");
    csv_parser parser;
    if (csv_init(&parser, 0) != 0)
        return ParseResult::failure(kDomain, 2, "The table reader could not be started.");
    csv_set_delim(&parser, tabs ? CSV_TAB : CSV_COMMA);
    CsvCollector collector;
    // Fed in slices so that reading stops as soon as the header and two rows are known.
    constexpr std::size_t kSlice = 16 * 1024;
    std::string_view rest = *text;
    while (!rest.empty() && collector.rows.size() < kRowsWanted) {
        const std::string_view slice = rest.substr(0, kSlice);
        if (csv_parse(&parser, slice.data(), slice.size(), onField, onRow, &collector) !=
            slice.size()) {
            const std::string why = csv_strerror(csv_error(&parser));
            csv_free(&parser);
            return ParseResult::failure(kDomain, 3, "The table could not be read: " + why);
        }
        rest.remove_prefix(slice.size());
    }
    if (collector.rows.size() < kRowsWanted) csv_fini(&parser, onField, onRow, &collector);
    csv_free(&parser);

    ExtractedSummary s = baseSummary(fileName, "CSV/TSV/Excel");
    s.mainFields["content"] = toValidUtf8(tableContent(collector.rows));
    return ParseResult::success(std::move(s));
}

// "BC12" → 54 (zero-based column), or -1.
long columnOf(std::string_view ref) {
    long col = 0;
    std::size_t i = 0;
    for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z'; ++i) {
        col = col * 26 + (ref[i] - 'A' + 1);
        if (col > 16384) return -1;
    }
    return i == 0 ? -1 : col - 1;
}

struct SheetCell {
    std::size_t column;
    std::string type;
    std::string value;
};

std::string firstSheetPath(const ZipPackage& package) {
    std::string workbook, rels, error;
    std::string rid;
    if (package.readMember("xl/workbook.xml", workbook, error)) {
        XmlStreamReader reader{std::string_view(workbook)};
        while (reader.next()) {
            if (reader.isStartElement() && reader.localName() == "sheet") {
                rid = reader.attributeByLocalName("id");
                break;
            }
        }
    }
    if (!rid.empty() && package.readMember("xl/_rels/workbook.xml.rels", rels, error)) {
        XmlStreamReader reader{std::string_view(rels)};
        while (reader.next()) {
            if (reader.isStartElement() && reader.localName() == "Relationship" &&
                reader.attribute("Id") == rid) {
                std::string target = reader.attribute("Target");
                if (target.empty() || target.find("..") != std::string::npos) break;
                if (target.front() == '/') return target.substr(1);
                return "xl/" + target;
            }
        }
    }
    return "xl/worksheets/sheet1.xml";
}

// The shared strings with the given indexes; stops reading after the largest one.
bool sharedStrings(const ZipPackage& package,
                   const std::map<long, std::vector<std::string*>>& wanted, std::string& error) {
    if (wanted.empty()) return true;
    auto member = package.openMember("xl/sharedStrings.xml", error);
    if (!member) return false;
    const long last = wanted.rbegin()->first;
    long index = -1;
    std::string current;
    bool inText = false;
    int phonetic = 0;
    XmlStreamReader reader(*member);
    while (reader.next()) {
        const std::string_view local = reader.localName();
        if (reader.isStartElement()) {
            if (local == "si") {
                ++index;
                current.clear();
                if (reader.isEmptyElement()) {
                    if (auto it = wanted.find(index); it != wanted.end())
                        for (std::string* slot : it->second) *slot = "";
                    if (index >= last) return true;
                }
            } else if (local == "rPh" && !reader.isEmptyElement()) {
                ++phonetic;
            } else if (local == "t") {
                inText = !reader.isEmptyElement();
            }
        } else if (reader.isEndElement()) {
            if (local == "t") {
                inText = false;
            } else if (local == "rPh") {
                if (phonetic) --phonetic;
            } else if (local == "si") {
                if (auto it = wanted.find(index); it != wanted.end())
                    for (std::string* slot : it->second)
                        *slot = prefixCharacters(current, kCellCharacters);
                if (index >= last) return true;
            }
        } else if (inText && !phonetic && reader.isText() && current.size() < 4096) {
            current += reader.value();
        }
    }
    if (reader.failed()) {
        error = reader.error();
        return false;
    }
    return true;
}

ParseResult parseWorkbook(const std::string& fileName, std::string_view bytes,
                          std::uint64_t memberLimit) {
    auto fail = [](const std::string& why) {
        return ParseResult::failure(kDomain, 4, "无法解析 Excel 文件: " + why);
    };
    ZipPackage package(memberLimit);
    std::string error;
    if (!package.open(bytes, error)) return fail(error);
    auto member = package.openMember(firstSheetPath(package), error);
    if (!member) return fail(error);

    std::vector<std::vector<SheetCell>> rows;
    std::vector<SheetCell> row;
    SheetCell cell;
    bool inCell = false, inValue = false;
    XmlStreamReader reader(*member);
    while (rows.size() < kRowsWanted && reader.next()) {
        const std::string_view local = reader.localName();
        if (reader.isStartElement()) {
            if (local == "row") {
                row.clear();
            } else if (local == "c") {
                const long col = columnOf(reader.attribute("r"));
                cell = SheetCell{col >= 0 ? static_cast<std::size_t>(col) : row.size(),
                                 reader.attribute("t"),
                                 {}};
                inCell = !reader.isEmptyElement();
            } else if (inCell && (local == "v" || local == "t")) {
                inValue = !reader.isEmptyElement();
            }
        } else if (reader.isEndElement()) {
            if (local == "v" || local == "t") {
                inValue = false;
            } else if (local == "c" && inCell) {
                inCell = false;
                if (!cell.value.empty() && cell.column < kMaxColumns) row.push_back(cell);
            } else if (local == "row" && !row.empty()) {
                rows.push_back(std::move(row));
                row.clear();
            }
        } else if (inValue && reader.isText() && cell.value.size() < 4096) {
            cell.value += reader.value();
        }
    }
    if (reader.failed()) return fail(reader.error());

    std::vector<Row> table;
    std::map<long, std::vector<std::string*>> wanted;
    table.reserve(rows.size());
    for (const auto& cells : rows) {
        std::size_t width = 0;
        for (const auto& c : cells) width = std::max(width, c.column + 1);
        table.emplace_back(width);
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (const auto& c : rows[r]) {
            std::string& slot = table[r][c.column];
            if (c.type == "s") {
                char* end = nullptr;
                const long idx = std::strtol(c.value.c_str(), &end, 10);
                if (end && *end == '\0' && idx >= 0 && idx < 10'000'000)
                    wanted[idx].push_back(&slot);
            } else if (c.type == "b") {
                slot = c.value == "1" ? "TRUE" : "FALSE";
            } else {
                slot = prefixCharacters(c.value, kCellCharacters);
            }
        }
    }
    if (!sharedStrings(package, wanted, error)) return fail(error);

    ExtractedSummary s = baseSummary(fileName, "CSV/TSV/Excel");
    s.mainFields["content"] = toValidUtf8(tableContent(table));
    return ParseResult::success(std::move(s));
}

}  // namespace

bool CSVTSVExcelParser::canHandle(std::string_view path) const {
    const std::string ext = lowerExtension(path);
    return ext == "csv" || ext == "tsv" || ext == "xlsx";
}

ParseResult CSVTSVExcelParser::parseData(const std::string& fileName,
                                         std::string_view bytes) const {
    const std::string ext = lowerExtension(fileName);
    if (ext == "xlsx") return parseWorkbook(fileName, bytes, memberLimit_);
    return parseDelimited(fileName, bytes, ext == "tsv");
}

}  // namespace orvane::renamer
