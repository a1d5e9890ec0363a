// Any bytes as a Word document or a workbook: the ZIP reader and the XML streams must refuse
// damaged packages and zip bombs with an error, never crash or inflate without bound.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/renamer/CSVTSVExcelParser.h"
#include "core/renamer/DOCXParser.h"
#include "kit/Paths.h"

using namespace orvane::renamer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // A small member limit keeps each run fast; the limit itself is what is being checked.
    static const DOCXParser docx(4 * 1024 * 1024);
    static const CSVTSVExcelParser xlsx(4 * 1024 * 1024);
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const ParseResult r =
        (data[0] & 1) ? docx.parseData("a.docx", bytes) : xlsx.parseData("a.xlsx", bytes);
    if (!r.ok()) {
        if (r.error.description.empty()) std::abort();
        return 0;
    }
    if (!orvane::kit::isValidUtf8(r.summary->field("content"))) std::abort();
    return 0;
}
