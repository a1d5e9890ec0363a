// Any bytes as the naming service's answer, as a request to the built-in namer, or as a
// suggested name: decoding never crashes, and a name that passes the checks is always one safe
// path component.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/renamer/FileNameRules.h"
#include "core/renamer/RenameRequest.h"
#include "namer/NameCleaner.h"
#include "namer/NameRequest.h"

using namespace orvane;

namespace {

bool safeComponent(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.front() == '.') return false;
    for (unsigned char c : name)
        if (c == '/' || c < 0x20 || c == 0x7F) return false;
    return name.size() <= 255;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const renamer::RenameResult r = renamer::RenameRequest::decode(200, bytes);
    if (r.ok()) {
        if (auto name = renamer::FileNameRules::validated(*r.suggestedName))
            if (!safeComponent(*name)) std::abort();
    } else if (r.error.description().empty() &&
               r.error.kind != renamer::NetworkError::Kind::custom) {
        std::abort();
    }
    std::string error;
    (void)namer::NameRequest::fromJSON(bytes, error);
    const std::string cleaned = namer::NameCleaner::clean(bytes, "txt");
    if (!cleaned.empty() &&
        (!safeComponent(cleaned) || !renamer::FileNameRules::validated(cleaned)))
        std::abort();
    return 0;
}
