#include "core/files/SkippedEntries.h"

#include <string>
#include <vector>

#include "kit/Localization.h"
#include "kit/Plural.h"

namespace orvane::files {

std::string SkippedEntries::sentence() const {
    if (empty()) return {};
    std::vector<std::string> parts;
    if (unreadableFolders)
        parts.push_back(kit::countOf(unreadableFolders, "unreadable folder", "unreadable folders"));
    if (unreadableFiles)
        parts.push_back(kit::countOf(unreadableFiles, "unreadable file", "unreadable files"));
    if (tooLongPaths)
        parts.push_back(kit::countOf(tooLongPaths, "path too long", "paths too long"));
    std::string list;
    for (const auto& part : parts) list += (list.empty() ? "" : ", ") + part;
    return kit::formatLocalized(total() == 1 ? "%@ was skipped: %@." : "%@ were skipped: %@.",
                                {kit::countOf(total(), "entry", "entries"), list});
}

}  // namespace orvane::files
