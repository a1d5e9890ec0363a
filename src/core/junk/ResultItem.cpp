#include "core/junk/ResultItem.h"

#include "core/junk/JunkFiles.h"
#include "core/junk/RuleEnvironment.h"

namespace orvane::junk {

namespace {

// A device backup is a folder of packages that is itself the thing to measure.
bool isDeviceBackup(const std::string& path) {
    return path.find("/mobilesync/backup/") != std::string::npos ||
           path.ends_with("/mobilesync/backup");
}

std::int64_t measure(const std::string& path, const RuleEnvironment& env) {
    const auto st = files::statEntry(path);
    if (!st) return 0;
    if (st->isDirectory) {
        const bool intoPackages = isDeviceBackup(path);
        return files::treeSize(path, /*skipHidden=*/true, [&](const std::string& folder) {
            return intoPackages || !env.isFilePackage(folder);
        });
    }
    if (st->isRegular) return st->size > 0 ? st->size : st->allocated;
    return 0;
}

}  // namespace

ResultItem::ResultItem(std::string p, const RuleEnvironment& env) : path(std::move(p)) {
    fileSize = measure(path, env);
}

ResultItem::ResultItem(std::string p, std::int64_t knownSize)
    : path(std::move(p)), fileSize(knownSize) {}

}  // namespace orvane::junk
