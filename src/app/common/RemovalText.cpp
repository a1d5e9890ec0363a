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

QString removalTitle(long long removedCount, long long failedCount, bool interrupted) {
    if (interrupted) return loc("Remove interrupted");
    if (failedCount > 0)
        return removedCount > 0 ? loc("Some files could not be removed")
                                : loc("Nothing could be removed");
    return loc("Removed Successfully");
}

bool removalSucceeded(long long failedCount, bool interrupted) {
    return !interrupted && failedCount == 0;
}

QString removalIconName(long long failedCount, bool interrupted) {
    return removalSucceeded(failedCount, interrupted) ? QStringLiteral("done")
                                                      : QStringLiteral("doneWithFailures");
}

QString removalFailuresHeading(long long failedCount) {
    return locFormat("%@ could not be removed:", {quantity(failedCount, "file", "files")});
}

}  // namespace orvane::app
