#include "core/renamer/XmlStreamReader.h"

#include <climits>

#include "core/renamer/ZipPackage.h"

namespace orvane::renamer {

namespace {

constexpr int kOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING |
                         XML_PARSE_NOCDATA | XML_PARSE_COMPACT;

int readFromMember(void* context, char* buffer, int len) {
    return static_cast<ZipMember*>(context)->read(buffer, len);
}

int closeNothing(void*) { return 0; }

}  // namespace

XmlStreamReader::XmlStreamReader(ZipMember& member) : member_(&member) {
    reader_ = xmlReaderForIO(readFromMember, closeNothing, &member, nullptr, nullptr, kOptions);
    setUp();
}

XmlStreamReader::XmlStreamReader(std::string_view bytes) {
    if (bytes.size() <= static_cast<std::size_t>(INT_MAX))
        reader_ = xmlReaderForMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                     kOptions);
    setUp();
}

void XmlStreamReader::setUp() {
    if (!reader_) {
        failed_ = true;
        firstError_ = "The XML reader could not be started.";
        return;
    }
    xmlTextReaderSetErrorHandler(reader_, &XmlStreamReader::onError, this);
}

XmlStreamReader::~XmlStreamReader() {
    if (reader_) xmlFreeTextReader(reader_);
}

void XmlStreamReader::onError(void* self, const char* msg, xmlParserSeverities severity,
                              xmlTextReaderLocatorPtr locator) {
    auto* me = static_cast<XmlStreamReader*>(self);
    if (severity != XML_PARSER_SEVERITY_ERROR && severity != XML_PARSER_SEVERITY_VALIDITY_ERROR)
        return;
    if (me->firstError_.empty()) {
        std::string text = msg ? msg : "malformed XML";
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
        const int line = locator ? xmlTextReaderLocatorLineNumber(locator) : 0;
        me->firstError_ = line > 0 ? "line " + std::to_string(line) + ": " + text : text;
    }
}

bool XmlStreamReader::next() {
    if (failed_ || !reader_) return false;
    const int r = xmlTextReaderRead(reader_);
    if (r == 1) return true;
    if (r < 0) failed_ = true;
    return false;
}

std::string XmlStreamReader::error() const {
    if (member_ && member_->overLimit()) return ZipPackage::tooLargeMessage(member_->limit());
    return firstError_.empty() ? "The XML is malformed." : firstError_;
}

std::string XmlStreamReader::attribute(const char* qname) const {
    xmlChar* v = xmlTextReaderGetAttribute(reader_, reinterpret_cast<const xmlChar*>(qname));
    if (!v) return {};
    std::string out(reinterpret_cast<const char*>(v));
    xmlFree(v);
    return out;
}

std::string XmlStreamReader::attributeByLocalName(std::string_view wanted) const {
    std::string out;
    if (xmlTextReaderMoveToFirstAttribute(reader_) != 1) return out;
    do {
        if (localName() == wanted) {
            out = std::string(value());
            break;
        }
    } while (xmlTextReaderMoveToNextAttribute(reader_) == 1);
    xmlTextReaderMoveToElement(reader_);
    return out;
}

}  // namespace orvane::renamer
