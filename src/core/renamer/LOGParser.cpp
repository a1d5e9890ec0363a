#include "core/renamer/LOGParser.h"

#include <vector>

#include "core/renamer/ParserSupport.h"
#include "core/renamer/TextDecoding.h"

namespace orvane::renamer {

namespace {

constexpr const char* kDomain = "LOGParser";
constexpr std::size_t kContentLines = 10;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Matches `pattern` at `line[i]`, where 'd' is a digit and any other character itself.
bool matchShape(std::string_view line, std::size_t i, std::string_view pattern) {
    if (i + pattern.size() > line.size()) return false;
    for (std::size_t k = 0; k < pattern.size(); ++k) {
        const char c = line[i + k];
        if (pattern[k] == 'd' ? !isDigit(c) : c != pattern[k]) return false;
    }
    return true;
}

std::optional<std::string> decodeFallback(std::string_view prefix, bool truncated) {
    auto text = [](const std::optional<std::string>& t) { return t && !looksBinary(*t); };
    const std::string_view utf8 = truncated ? trimIncompleteUtf8Tail(prefix) : prefix;
    if (auto t = decodeStrict(utf8, "UTF-8"); text(t)) return t;
    const bool hasBom = prefix.starts_with("\xFF\xFE") || prefix.starts_with("\xFE\xFF");
    const std::string_view even = prefix.substr(0, prefix.size() & ~std::size_t{1});
    if (auto t = decodeStrict(even, hasBom ? "UTF-16" : "UTF-16LE"); text(t)) return t;
    // A GB18030 sequence may be cut in two at the end of the prefix.
    for (std::size_t cut = 0; cut <= (truncated ? 3u : 0u) && cut < prefix.size(); ++cut)
        if (auto t = decodeStrict(prefix.substr(0, prefix.size() - cut), "GB18030"); text(t))
            return t;
    return std::nullopt;
}

}  // namespace

bool LOGParser::canHandle(std::string_view path) const { return lowerExtension(path) == "log"; }

std::string LOGParser::timeStampCandidate(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    if (!matchShape(line, i, "dddd-dd-dd")) return {};
    i += 10;
    if (i >= line.size() || (line[i] != ' ' && line[i] != 'T')) return {};
    ++i;
    if (!matchShape(line, i, "dd:dd:dd")) return {};
    i += 8;
    if (i < line.size() && (line[i] == '.' || line[i] == ',')) {
        std::size_t digits = 0;
        while (i + 1 + digits < line.size() && digits < 6 && isDigit(line[i + 1 + digits]))
            ++digits;
        if (digits >= 3) i += 1 + digits;
    }
    if (i < line.size() && line[i] == 'Z') {
        ++i;
    } else if (i < line.size() && (line[i] == '+' || line[i] == '-') &&
               matchShape(line, i + 1, "dd:dd")) {
        i += 6;
    }
    return std::string(line.substr(start, i - start));
}

ParseResult LOGParser::parseData(const std::string& fileName, std::string_view bytes) const {
    std::optional<std::string> text = decodeDetected(bytes);
    if (!text) {
        const bool truncated = bytes.size() > kPrefixBytes;
        const std::string_view prefix = bytes.substr(0, kPrefixBytes);
        if (prefix.empty()) return ParseResult::failure(kDomain, 1, "文件为空或无法读取任何字节");
        if (prefix.size() >= 2 && static_cast<unsigned char>(prefix[0]) == 0x1F &&
            static_cast<unsigned char>(prefix[1]) == 0x8B)
            return ParseResult::failure(kDomain, 2, "检测到 gzip 压缩，请先解压再解析");
        text = decodeFallback(prefix, truncated);
        if (!text)
            return ParseResult::failure(kDomain, 3,
                                        "无法按常见编码解码为文本（UTF-8/UTF-16/GB18030）");
    }

    std::vector<std::string_view> lines;
    std::string_view rest = *text;
    bool seenLine = false;
    std::string_view firstLine, lastLine;
    while (!rest.empty()) {
        // "\r\n" and a lone "\r" both end a line.
        const auto end = rest.find_first_of("\r\n");
        const std::string_view line = rest.substr(0, end);
        if (!line.empty()) {
            if (lines.size() < kContentLines) lines.push_back(line);
            if (!seenLine) firstLine = line;
            seenLine = true;
            lastLine = line;
        }
        if (end == std::string_view::npos) break;
        rest.remove_prefix(
            end + ((rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n') ? 2 : 1));
    }

    ExtractedSummary s = baseSummary(fileName, "LOG");
    std::string content;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) content += '\n';
        content += lines[i];
    }
    s.mainFields["content"] = toValidUtf8(content);
    const std::string first = timeStampCandidate(firstLine);
    const std::string last = timeStampCandidate(lastLine);
    if (!first.empty() || !last.empty()) s.metadata["createTime"] = first + " ~ " + last;
    s.hints.push_back("仅保留时间+日志关键字");
    return ParseResult::success(std::move(s));
}

}  // namespace orvane::renamer
