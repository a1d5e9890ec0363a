// Any bytes in place of recently-used.xbel, which every program on the desktop writes to: the
// reader keeps what it can and never crashes; times it reports are never negative.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/apps/RecentlyUsed.h"

using orvane::apps::RecentlyUsed;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RecentlyUsed recent = RecentlyUsed::parse(text);
    if (recent.size() > size) std::abort();
    (void)recent.lastUsed({"gedit", "org.example.App", "Text Editor"});
    return 0;
}
