#pragma once

#include <libxml/xmlreader.h>

#include <string>
#include <string_view>

namespace orvane::renamer {

class ZipMember;

// libxml2's pull reader over a package member or bytes in memory, set up for untrusted input:
// no network, no external DTDs, entities left unexpanded, errors collected instead of printed.
class XmlStreamReader {
public:
    explicit XmlStreamReader(ZipMember& member);
    explicit XmlStreamReader(std::string_view bytes);
    ~XmlStreamReader();
    XmlStreamReader(const XmlStreamReader&) = delete;
    XmlStreamReader& operator=(const XmlStreamReader&) = delete;

    // Advances to the next node: true while there is one; false at the end or on an error
    // (then failed() is true and error() says why).
    bool next();
    bool failed() const { return failed_; }
    std::string error() const;

    int nodeType() const { return xmlTextReaderNodeType(reader_); }
    bool isStartElement() const { return nodeType() == XML_READER_TYPE_ELEMENT; }
    bool isEndElement() const { return nodeType() == XML_READER_TYPE_END_ELEMENT; }
    bool isText() const {
        const int t = nodeType();
        return t == XML_READER_TYPE_TEXT || t == XML_READER_TYPE_CDATA ||
               t == XML_READER_TYPE_SIGNIFICANT_WHITESPACE;
    }
    bool isEmptyElement() const { return xmlTextReaderIsEmptyElement(reader_) == 1; }
    int depth() const { return xmlTextReaderDepth(reader_); }
    std::string_view localName() const { return view(xmlTextReaderConstLocalName(reader_)); }
    std::string_view name() const { return view(xmlTextReaderConstName(reader_)); }
    std::string_view value() const { return view(xmlTextReaderConstValue(reader_)); }
    // An attribute of the current element by its qualified name ("w:val"), or by local name in
    // any namespace when `anyNamespace` is true.
    std::string attribute(const char* name) const;
    std::string attributeByLocalName(std::string_view localName) const;
    // Every attribute of the current element as (qualified name, value); moves back after.
    template <class F>
    void forEachAttribute(F&& f) {
        if (xmlTextReaderMoveToFirstAttribute(reader_) != 1) return;
        do {
            f(name(), value());
        } while (xmlTextReaderMoveToNextAttribute(reader_) == 1);
        xmlTextReaderMoveToElement(reader_);
    }

private:
    static std::string_view view(const xmlChar* s) {
        return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
    }
    static void onError(void* self, const char* msg, xmlParserSeverities severity,
                        xmlTextReaderLocatorPtr locator);
    void setUp();

    xmlTextReaderPtr reader_ = nullptr;
    ZipMember* member_ = nullptr;
    bool failed_ = false;
    std::string firstError_;
};

}  // namespace orvane::renamer
