// Any bytes as JSON, YAML or XML: a summary of the top level or an error, never a crash, deep
// recursion, entity expansion or text that is not UTF-8.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/renamer/JSONYAMLXMLParser.h"
#include "kit/Paths.h"

using namespace orvane::renamer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const JSONYAMLXMLParser parser;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    static const char* names[] = {"a.json", "a.yaml", "a.xml"};
    const ParseResult r = parser.parseData(names[data[0] % 3], bytes);
    if (!r.ok()) {
        if (r.error.description.empty()) std::abort();
        return 0;
    }
    if (!orvane::kit::isValidUtf8(r.summary->field("content"))) std::abort();
    return 0;
}
