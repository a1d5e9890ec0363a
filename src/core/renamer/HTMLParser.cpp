#include "core/renamer/HTMLParser.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <strings.h>

#include <climits>
#include <cstring>
#include <memory>

#include "core/renamer/ParserSupport.h"

namespace orvane::renamer {

namespace {

constexpr const char* kDomain = "HTMLParser";
// Enough visible text for the summary; the walk stops once it has this much.
constexpr std::size_t kTextBudget = 16 * 1024;

bool named(const xmlNode* n, const char* name) {
    return n->type == XML_ELEMENT_NODE && n->name &&
           ::strcasecmp(reinterpret_cast<const char*>(n->name), name) == 0;
}

bool isHiddenContainer(const xmlNode* n) {
    return named(n, "script") || named(n, "style") || named(n, "noscript") || named(n, "template");
}

std::string attribute(xmlNode* n, const char* name) {
    xmlChar* v = xmlGetProp(n, reinterpret_cast<const xmlChar*>(name));
    if (!v) return {};
    std::string out(reinterpret_cast<const char*>(v));
    xmlFree(v);
    return out;
}

std::string nodeText(xmlNode* n) {
    xmlChar* v = xmlNodeGetContent(n);
    if (!v) return {};
    std::string out(reinterpret_cast<const char*>(v));
    xmlFree(v);
    return out;
}

// The next node of a depth-first walk, without recursion so that deeply nested markup cannot
// exhaust the stack. `descend` false skips the children of `n`.
xmlNode* nextNode(xmlNode* n, xmlNode* root, bool descend) {
    if (descend && n->children) return n->children;
    while (n && n != root) {
        if (n->next) return n->next;
        n = n->parent;
    }
    return nullptr;
}

}  // namespace

bool HTMLParser::canHandle(std::string_view path) const {
    const std::string ext = lowerExtension(path);
    return ext == "html" || ext == "htm";
}

ParseResult HTMLParser::parseData(const std::string& fileName, std::string_view bytes) const {
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
        return ParseResult::failure(kDomain, 1, "The page is too large to read.");
    const int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                        HTML_PARSE_NONET | HTML_PARSE_COMPACT;
    std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc(
        htmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, "UTF-8", options),
        &xmlFreeDoc);
    xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    if (!root) return ParseResult::failure(kDomain, 2, "The page holds no HTML to read.");

    std::string title, description, keywords, text;
    for (xmlNode* n = root; n;) {
        bool descend = true;
        if (n->type == XML_ELEMENT_NODE) {
            if (title.empty() && named(n, "title")) {
                title = normalizeWhitespace(nodeText(n));
                descend = false;
            } else if (named(n, "meta")) {
                const std::string name = attribute(n, "name");
                if (description.empty() && ::strcasecmp(name.c_str(), "description") == 0)
                    description = trim(attribute(n, "content"));
                else if (keywords.empty() && ::strcasecmp(name.c_str(), "keywords") == 0)
                    keywords = trim(attribute(n, "content"));
            } else if (isHiddenContainer(n)) {
                descend = false;
            }
        } else if ((n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) &&
                   text.size() < kTextBudget && n->content) {
            text += ' ';
            text += reinterpret_cast<const char*>(n->content);
        }
        n = nextNode(n, root, descend);
    }
    // The title is text of the page too, as a reader sees it in the tab.
    std::string visible = normalizeWhitespace(title.empty() ? text : title + " " + text);

    ExtractedSummary s = baseSummary(fileName, "HTML");
    s.mainFields["title"] = toValidUtf8(prefixCharacters(title, 200));
    s.mainFields["content"] = toValidUtf8(prefixCharacters(visible));
    if (!description.empty()) s.metadata["meta description"] = toValidUtf8(description);
    if (!keywords.empty()) s.metadata["meta keywords"] = toValidUtf8(keywords);
    return ParseResult::success(std::move(s));
}

}  // namespace orvane::renamer
