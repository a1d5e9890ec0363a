#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/junk/CategoryItem.h"
#include "core/junk/FilterItem.h"
#include "core/junk/InstalledApps.h"

namespace orvane::junk {

class RuleEnvironment;

using FilterDictionary = std::map<std::string, FilterItemPtr>;

class XMLParseDelegate {
public:
    virtual ~XMLParseDelegate() = default;
    // The whole rule tree, once, when the root element ends.
    virtual void parseComplete(std::vector<CategoryItemPtr> categories,
                               FilterDictionary filters) = 0;
};

// Reads the rule document into the object tree, event by event. The document comes from disk
// and is treated as untrusted: no network access, no entity expansion, no document type
// declaration, a bound on nesting and on size. Anything malformed stops the parse with a log
// line; only a document whose root "garbage" element closes delivers a result.
class XMLParse {
public:
    // `installed` is the index of installed applications (identifier → location); rule groups
    // of applications that are not installed are dropped, and what remains afterwards are the
    // applications no rule group covers.
    XMLParse(InstallBundleIds installed, const RuleEnvironment& env);

    // Not owned; must outlive the parse.
    XMLParseDelegate* delegate = nullptr;

    // Reads the file whole and parses it. False when it cannot be read or is malformed.
    bool parseXML(const std::string& dataPath);
    bool parseData(std::string_view document);

    // Why the last parse failed, for the log and for callers that show it.
    const std::string& errorDescription() const { return errorDescription_; }

    InstallBundleIds installBundleIdDict;

    // Documents larger than this are refused before parsing.
    static constexpr std::size_t kMaxDocumentSize = 32 * 1024 * 1024;
    // Elements nested deeper than this stop the parse.
    static constexpr int kMaxDepth = 64;

    // The handlers, public for the C callbacks only.
    void startElement(const std::string& name,
                      const std::map<std::string, std::string>& attributes);
    void endElement(const std::string& name);
    void characters(std::string_view text);
    void fail(std::string message);

private:
    void startFilter(const std::map<std::string, std::string>& a);
    void startCategory(const std::map<std::string, std::string>& a);
    void startItem(const std::map<std::string, std::string>& a);
    void startAction(const std::map<std::string, std::string>& a);
    void startPath(const std::map<std::string, std::string>& a);
    void startAtom(const std::map<std::string, std::string>& a);

    const RuleEnvironment& env_;
    std::vector<std::string> parseKeyArray;
    FilterItemPtr currentFilter;
    CategoryItemPtr currentCategory;
    CategorySubItemPtr currentSubItem;
    ActionItemPtr currentAction;
    ActionPathItemPtr currentPath;
    ActionAtomItemPtr currentAtom;
    std::optional<std::string> currentTextElement;
    std::string currentTextBuffer;
    std::optional<std::string> notAddActionID;
    FilterDictionary filterDict;
    std::vector<CategoryItemPtr> categoryItems;

    std::string errorDescription_;
    bool failed_ = false;
    bool delivered_ = false;
};

}  // namespace orvane::junk
