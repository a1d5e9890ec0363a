// Any bytes in place of a desktop entry (anyone can drop one into ~/.local/share/applications):
// parsing refuses or accepts without a crash, and what is accepted yields arguments and a
// program that hold no NUL byte and come out the same when read again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/apps/DesktopEntry.h"

using orvane::apps::DesktopEntry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto entry = DesktopEntry::parse(text);
    if (entry) {
        const auto args = entry->execArguments();
        for (const std::string& arg : args)
            if (arg.empty() || arg.find('\0') != std::string::npos) std::abort();
        const std::string program = entry->program();
        if (!program.empty() && program.find('\0') != std::string::npos) std::abort();
        (void)entry->name();
        (void)entry->noDisplay();
        auto again = DesktopEntry::parse(text);
        if (!again || again->execArguments() != args) std::abort();
    }
    // The Exec splitter alone, on the raw bytes.
    if (auto split = DesktopEntry::splitExec(text))
        for (const std::string& arg : *split)
            if (arg.size() > size) std::abort();
    return 0;
}
