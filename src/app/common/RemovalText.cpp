#include "app/common/RemovalText.h"

#include "app/common/Text.h"
#include "kit/Paths.h"

namespace orvane::app {

QString removedSummary(long long count, std::uint64_t bytes,
                       const std::optional<files::RemoveType>& type) {
    const QString files = quantity(count, "file", "files");
    if (!type) return locFormat("%@ removed (%@)", {files, sizeText(bytes)});
    switch (type->kind) {
        case files::RemoveType::Kind::trash:
            return locFormat("%@ moved to the Trash (%@)", {files, sizeText(bytes)});
        case files::RemoveType::Kind::forever:
            return locFormat("%@ deleted for good, %@ freed", {files, sizeText(bytes)});
        case files::RemoveType::Kind::folder:
            return locFormat("%@ moved to %@ (%@)",
                             {files, displayPath(kit::directoryName(type->path)), sizeText(bytes)});
    }
    return {};
}

}  // namespace orvane::app
