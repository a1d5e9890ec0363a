#include "core/junk/XMLParse.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <fstream>
#include <iterator>
#include <mutex>

#include "core/junk/RuleEnvironment.h"
#include "core/junk/RuleText.h"
#include "kit/Log.h"

namespace orvane::junk {

namespace {

using Attributes = std::map<std::string, std::string>;

XMLParse* self(void* ctx) {
    auto* parser = static_cast<xmlParserCtxtPtr>(ctx);
    return static_cast<XMLParse*>(parser->_private);
}

std::string qualifiedName(const xmlChar* localname, const xmlChar* prefix) {
    std::string name = reinterpret_cast<const char*>(localname);
    if (prefix) name = std::string(reinterpret_cast<const char*>(prefix)) + ":" + name;
    return name;
}

void onStartElement(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar*, int,
                    const xmlChar**, int nbAttributes, int, const xmlChar** attributes) {
    Attributes attrs;
    for (int i = 0; i < nbAttributes; ++i) {
        const xmlChar** a = attributes + i * 5;
        const auto* begin = reinterpret_cast<const char*>(a[3]);
        const auto* end = reinterpret_cast<const char*>(a[4]);
        // The first of two equal names wins; well-formed XML has none.
        attrs.emplace(qualifiedName(a[0], a[1]), std::string(begin, end));
    }
    self(ctx)->startElement(qualifiedName(localname, prefix), attrs);
}

void onEndElement(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar*) {
    self(ctx)->endElement(qualifiedName(localname, prefix));
}

void onCharacters(void* ctx, const xmlChar* text, int length) {
    self(ctx)->characters(
        std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
}

// A rule document has no use for a document type: refusing it outright shuts every entity
// trick (expansion bombs, external files, network fetches) before it can start.
void onInternalSubset(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
    self(ctx)->fail("document type declarations are not accepted");
    xmlStopParser(static_cast<xmlParserCtxtPtr>(ctx));
}

xmlEntityPtr onGetEntity(void*, const xmlChar* name) {
    // Only the five predefined entities exist.
    return xmlGetPredefinedEntity(name);
}

void onStructuredError(void*, xmlErrorPtr) {
    // Collected from the context after the parse; nothing goes to stderr.
}

void initLibxml() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

bool yes(const Attributes& a, const char* key) {
    auto it = a.find(key);
    return it != a.end() && lowercased(it->second) == "yes";
}

std::optional<std::string> attr(const Attributes& a, const char* key) {
    auto it = a.find(key);
    if (it == a.end()) return std::nullopt;
    return it->second;
}

}  // namespace

XMLParse::XMLParse(InstallBundleIds installed, const RuleEnvironment& env)
    : installBundleIdDict(std::move(installed)), env_(env) {}

bool XMLParse::parseXML(const std::string& dataPath) {
    std::ifstream in(dataPath, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const auto length = in.tellg();
    if (length < 0) return false;
    if (static_cast<std::size_t>(length) > kMaxDocumentSize) {
        ORVANE_LOG(
            "Clean Parser XML Error: the rule document is larger than any rule document can be");
        errorDescription_ = "document too large";
        return false;
    }
    in.seekg(0);
    std::string data(static_cast<std::size_t>(length), '\0');
    if (!in.read(data.data(), length)) return false;
    return parseData(data);
}

bool XMLParse::parseData(std::string_view document) {
    initLibxml();
    failed_ = false;
    delivered_ = false;
    errorDescription_.clear();
    if (document.size() > kMaxDocumentSize) {
        fail("document too large");
        ORVANE_LOG("Clean Parser XML Error: " + errorDescription_);
        return false;
    }

    xmlSAXHandler handler{};
    xmlSAXVersion(&handler, 2);
    // Only the events the rules need; every default that could load or expand anything is off.
    handler.startElementNs = onStartElement;
    handler.endElementNs = onEndElement;
    handler.characters = onCharacters;
    handler.cdataBlock = onCharacters;
    handler.ignorableWhitespace = onCharacters;
    handler.internalSubset = onInternalSubset;
    handler.externalSubset = nullptr;
    handler.getEntity = onGetEntity;
    handler.getParameterEntity = nullptr;
    handler.entityDecl = nullptr;
    handler.resolveEntity = nullptr;
    handler.reference = nullptr;
    handler.startDocument = nullptr;
    handler.endDocument = nullptr;
    handler.processingInstruction = nullptr;
    handler.comment = nullptr;
    handler.warning = nullptr;
    handler.error = nullptr;
    handler.fatalError = nullptr;
    handler.serror = onStructuredError;
    handler.initialized = XML_SAX2_MAGIC;

    xmlParserCtxtPtr ctxt = xmlCreatePushParserCtxt(&handler, nullptr, nullptr, 0, nullptr);
    if (!ctxt) {
        fail("the XML parser could not be created");
        ORVANE_LOG("Clean Parser XML Error: " + errorDescription_);
        return false;
    }
    ctxt->_private = this;
    xmlCtxtUseOptions(
        ctxt, XML_PARSE_NONET | XML_PARSE_NOXINCNODE | XML_PARSE_NOWARNING | XML_PARSE_NOERROR);
    ctxt->replaceEntities = 0;
    ctxt->loadsubset = 0;
    ctxt->validate = 0;

    // Fed in chunks so that a stop (too deep, a document type) takes effect before the rest is
    // read.
    constexpr std::size_t kChunk = 64 * 1024;
    std::size_t offset = 0;
    int rc = 0;
    do {
        const std::size_t n = std::min(kChunk, document.size() - offset);
        const bool last = offset + n == document.size();
        rc = xmlParseChunk(ctxt, document.data() + offset, static_cast<int>(n), last ? 1 : 0);
        offset += n;
        if (rc != 0 || failed_ || ctxt->disableSAX) break;
    } while (offset < document.size());

    const bool wellFormed = ctxt->wellFormed != 0 && rc == 0;
    if (!failed_ && !wellFormed) {
        const xmlError* error = xmlCtxtGetLastError(ctxt);
        std::string message =
            error && error->message ? std::string(error->message) : std::string("Unknown error");
        while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
            message.pop_back();
        if (error && error->line > 0) message += " (line " + std::to_string(error->line) + ")";
        errorDescription_ = message;
        failed_ = true;
    }
    xmlFreeParserCtxt(ctxt);

    if (failed_) {
        ORVANE_LOG("Clean Parser XML Error: " +
                   (errorDescription_.empty() ? std::string("Unknown error") : errorDescription_));
        return false;
    }
    if (!delivered_) {
        if (errorDescription_.empty()) errorDescription_ = "the document has no \"garbage\" root";
        return true;
    }
    if (delegate) delegate->parseComplete(categoryItems, filterDict);
    return true;
}

void XMLParse::fail(std::string message) {
    if (!failed_) errorDescription_ = std::move(message);
    failed_ = true;
}

void XMLParse::startElement(const std::string& name, const Attributes& attributes) {
    if (failed_) return;
    if (static_cast<int>(parseKeyArray.size()) >= kMaxDepth) {
        fail("elements are nested deeper than " + std::to_string(kMaxDepth) + " levels");
        return;
    }
    parseKeyArray.push_back(name);
    if (name == "title" || name == "tips") {
        currentTextElement = name;
        currentTextBuffer.clear();
    }
    if (name == "filter") startFilter(attributes);
    else if (name == "category") startCategory(attributes);
    else if (name == "item") startItem(attributes);
    else if (name == "action") startAction(attributes);
    else if (name == "path") startPath(attributes);
    else if (name == "atom") startAtom(attributes);
}

void XMLParse::characters(std::string_view text) {
    if (failed_ || !currentTextElement) return;
    // A title is a line of text; a document that pours megabytes into one is not a rule document.
    if (currentTextBuffer.size() + text.size() > 64 * 1024) return;
    currentTextBuffer.append(text);
}

void XMLParse::endElement(const std::string& name) {
    if (failed_) return;
    if (currentTextElement && *currentTextElement == name) {
        const std::string* parent =
            parseKeyArray.size() >= 2 ? &parseKeyArray[parseKeyArray.size() - 2] : nullptr;
        const std::string text(trimmed(currentTextBuffer));
        if (!text.empty() && parent) {
            if (name == "title") {
                if (*parent == "category" && currentCategory) currentCategory->title = text;
                else if (*parent == "item" && currentSubItem) currentSubItem->title = text;
                else if (*parent == "action" && currentAction) currentAction->title = text;
            } else {
                if (*parent == "category" && currentCategory) currentCategory->tips = text;
                else if (*parent == "item" && currentSubItem) currentSubItem->tips = text;
            }
        }
        currentTextElement.reset();
        currentTextBuffer.clear();
    }
    if (!parseKeyArray.empty() && parseKeyArray.back() == name) parseKeyArray.pop_back();

    if (name == "path") currentPath.reset();
    else if (name == "atom") currentAtom.reset();
    else if (name == "action") currentAction.reset();
    else if (name == "item") currentSubItem.reset();
    else if (name == "category") currentCategory.reset();
    // The root's end completes the tree; it is handed over once the whole document proved
    // well formed, so trailing garbage or a second root never leaves half-trusted rules behind.
    else if (name == "garbage") delivered_ = true;
}

void XMLParse::startFilter(const Attributes& a) {
    auto id = attr(a, "id");
    auto column = attr(a, "column");
    if (!id || !column) return;
    currentFilter = std::make_shared<FilterItem>();
    currentFilter->filterId = id;
    currentFilter->column = column;
    currentFilter->relation = attr(a, "relation");
    currentFilter->value = attr(a, "value");
    currentFilter->action = attr(a, "action");
    filterDict[*id] = currentFilter;
}

void XMLParse::startCategory(const Attributes& a) {
    auto id = attr(a, "id");
    if (!id) return;
    currentCategory = std::make_shared<CategoryItem>();
    currentCategory->categoryId = id;
    categoryItems.push_back(currentCategory);
}

void XMLParse::startItem(const Attributes& a) {
    auto id = attr(a, "id");
    if (!id) return;
    auto sub = std::make_shared<CategorySubItem>();
    sub->subCategoryId = id;
    sub->os = attr(a, "os");
    sub->recommend = yes(a, "recommend");
    sub->isCautious = sub->recommend;
    sub->showAction = yes(a, "showaction");
    sub->fastMode = yes(a, "fastmode");
    sub->bundleId = attr(a, "bundleid");
    sub->appStoreBundleId = attr(a, "appStoreBundleId");
    if (auto state = attr(a, "defaultstate"))
        sub->defaultState = static_cast<int>(parseInteger(*state).value_or(1));
    currentSubItem = sub;

    bool attach = false;
    if (!sub->bundleId) attach = true;
    else if (installBundleIdDict.contains(*sub->bundleId)) attach = true;
    else if (sub->appStoreBundleId && installBundleIdDict.contains(*sub->appStoreBundleId))
        attach = true;
    // Internet junk is the browsers' caches: listed even when the browser itself is gone.
    else if (currentCategory && currentCategory->categoryId == "3") attach = true;

    if (attach && currentCategory) {
        currentCategory->subItems.push_back(sub);
        if (sub->bundleId) installBundleIdDict.erase(*sub->bundleId);
        if (sub->appStoreBundleId) installBundleIdDict.erase(*sub->appStoreBundleId);
    }
}

void XMLParse::startAction(const Attributes& a) {
    auto type = attr(a, "type");
    if (!type) return;
    auto action = std::make_shared<ActionItem>();
    action->actionId = attr(a, "id");
    action->os = attr(a, "os");
    action->title = attr(a, "title");
    if (auto sandbox = attr(a, "sandbox")) action->sandboxType = sandboxTypeFromDocument(*sandbox);
    action->type = actionTypeFromDocument(*type).value_or(ActionType::file);
    action->cleanEmptyFolder = yes(a, "cleanemptyfolder");
    action->cleanHiddenFile = yes(a, "cleanhiddenfile");
    action->cautionId = attr(a, "caution");
    action->recommend = yes(a, "recommend");
    if (auto clean = attr(a, "clean")) action->cleanType = cleanTypeFromDocument(*clean);
    action->appPath = attr(a, "apppath");
    action->bundleId = attr(a, "bundle");
    action->appVersion = attr(a, "appversion");
    action->buildVersion = attr(a, "buildversion");
    currentAction = action;

    if (currentSubItem) {
        if (action->checkAppVersion(env_)) {
            currentSubItem->actionItems.push_back(action);
        } else {
            // Versioned variants of one action share an id: the first variant that does not
            // fit the installed version lets the next one with the same id stand in.
            if (action->actionId && action->actionId == notAddActionID)
                currentSubItem->actionItems.push_back(action);
            notAddActionID = action->actionId;
        }
    }
    action->bundleId = currentSubItem ? currentSubItem->bundleId : std::nullopt;
    action->appstoreBundleId = currentSubItem ? currentSubItem->appStoreBundleId : std::nullopt;
}

void XMLParse::startPath(const Attributes& a) {
    auto path = std::make_shared<ActionPathItem>();
    path->type = attr(a, "type");
    path->value = attr(a, "value");
    path->value1 = attr(a, "value1");
    path->filename = attr(a, "filename");
    path->scanFilters = attr(a, "filters");
    if (auto level = attr(a, "level")) {
        if (auto parsed = parseInteger(*level);
            parsed && *parsed >= INT32_MIN && *parsed <= INT32_MAX)
            path->level = static_cast<int>(*parsed);
    }
    currentPath = path;
    if (currentAction) currentAction->addActionPathItem(path);
}

void XMLParse::startAtom(const Attributes& a) {
    currentAtom = std::make_shared<ActionAtomItem>();
    currentAtom->resultFilters = attr(a, "filters");
    if (currentAction) currentAction->atomItem = currentAtom;
}

}  // namespace orvane::junk
