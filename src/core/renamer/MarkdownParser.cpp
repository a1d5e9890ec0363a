#include "core/renamer/MarkdownParser.h"

#include "core/renamer/ParserSupport.h"

namespace orvane::renamer {

namespace {

// The front matter: "---" at the very start up to the next "---". Returns its length, or 0.
std::size_t frontMatterLength(std::string_view text) {
    if (!text.starts_with("---")) return 0;
    const auto close = text.find("---", 3);
    return close == std::string_view::npos ? 0 : close + 3;
}

// The value of "key: value" on a line of the block, first match.
std::string frontMatterValue(std::string_view block, std::string_view key) {
    std::string_view rest = block;
    while (!rest.empty()) {
        const auto nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        if (line.starts_with(key)) {
            std::string_view after = line.substr(key.size());
            std::size_t i = 0;
            while (i < after.size() && (after[i] == ' ' || after[i] == '\t')) ++i;
            if (i < after.size() && after[i] == ':') {
                std::string value = trim(after.substr(i + 1));
                // Quoted YAML scalars read better without their quotes.
                if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                    value.back() == value.front())
                    value = value.substr(1, value.size() - 2);
                if (!value.empty()) return value;
            }
        }
        if (nl == std::string_view::npos) break;
        rest.remove_prefix(nl + 1);
    }
    return {};
}

std::string firstHeading(std::string_view text) {
    std::string_view rest = text;
    while (!rest.empty()) {
        const auto nl = rest.find('\n');
        const std::string line = trim(rest.substr(0, nl));
        if (line.starts_with("# ")) return trim(line.substr(2));
        if (nl == std::string_view::npos) break;
        rest.remove_prefix(nl + 1);
    }
    return {};
}

}  // namespace

bool MarkdownParser::canHandle(std::string_view path) const { return lowerExtension(path) == "md"; }

ParseResult MarkdownParser::parseData(const std::string& fileName, std::string_view bytes) const {
    std::string_view raw = bytes;
    if (raw.starts_with("\xEF\xBB\xBF")) raw.remove_prefix(3);
    const std::string text = toValidUtf8(raw);

    ExtractedSummary s = baseSummary(fileName, "Markdown");
    std::string_view body = text;
    if (const std::size_t fm = frontMatterLength(text)) {
        const std::string_view block = std::string_view(text).substr(0, fm);
        for (const char* key : {"title", "author", "date"}) {
            const std::string value = frontMatterValue(block, key);
            if (value.empty()) continue;
            if (std::string_view(key) == "title") s.mainFields["title"] = value;
            else s.metadata[key] = value;
        }
        body.remove_prefix(fm);
        std::size_t i = 0;
        while (i < body.size() &&
               (body[i] == ' ' || body[i] == '\t' || body[i] == '\n' || body[i] == '\r'))
            ++i;
        body.remove_prefix(i);
    }
    // An explicit front-matter title is the author's own choice and wins over the heading.
    if (s.field("title").empty()) {
        const std::string heading = firstHeading(body);
        if (!heading.empty()) s.mainFields["title"] = prefixCharacters(heading, 200);
    }
    s.mainFields["content"] = prefixCharacters(body);
    return ParseResult::success(std::move(s));
}

}  // namespace orvane::renamer
