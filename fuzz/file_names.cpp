// Any bytes as a file name, as a hostile or broken file system may hand them over: what the
// program shows of it is valid UTF-8, a terminal never receives a control character, and a cut
// to any width stays within that width without splitting a character.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "kit/JsonText.h"
#include "kit/Paths.h"

using namespace orvane::kit;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);

    if (!isValidUtf8(displayPath(name))) std::abort();
    if (!isValidUtf8(jsonString(name))) std::abort();

    const std::string shown = terminalPath(name);
    if (!isValidUtf8(shown)) std::abort();
    for (const char c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
    if (shown.find("\xC2\x9B") != std::string::npos) std::abort();  // a C1 escape introducer
    if (shown != name && !(shown.starts_with("$'") && shown.ends_with("'"))) std::abort();

    const std::size_t length = codePointCount(shown);
    for (const std::size_t columns : {std::size_t{0}, std::size_t{1}, std::size_t{2}, length / 2,
                                      length > 0 ? length - 1 : 0, length, length + 3}) {
        const std::string cut = elideMiddle(shown, columns);
        if (!isValidUtf8(cut)) std::abort();
        if (codePointCount(cut) > columns) std::abort();
        if (columns >= length && cut != shown) std::abort();
    }
    return 0;
}
