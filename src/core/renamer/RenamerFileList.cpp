#include "core/renamer/RenamerFileList.h"

#include <sys/stat.h>

#include "core/renamer/ParserSupport.h"
#include "core/renamer/SizePolicy.h"
#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::renamer {

bool RenamerFileList::contains(const std::string& path) const {
    for (const auto& item : folderItems)
        if (item.filePath == path) return true;
    return false;
}

std::size_t RenamerFileList::dragDrop(const std::vector<std::string>& filePathList) {
    failedItems.clear();
    std::size_t added = 0;
    for (const std::string& path : filePathList) {
        ORVANE_LOG(">>>>添加文件： " + kit::displayPath(path));
        if (SizePolicy::kind(path) == SizePolicy::other) {
            failedItems.push_back({path, FailedReason::invalidType, {}});
            ORVANE_LOG("rename add: Unsupported");
            continue;
        }
        if (contains(path)) {
            failedItems.push_back({path, FailedReason::duplicate, {}});
            ORVANE_LOG("rename add: Error");
            continue;
        }
        struct stat st {};
        const std::uint64_t size = ::stat(path.c_str(), &st) == 0 && st.st_size > 0
                                       ? static_cast<std::uint64_t>(st.st_size)
                                       : 0;
        if (size > SizePolicy::limitFor(path)) {
            failedItems.push_back({path, FailedReason::oversize, {}});
            ORVANE_LOG("rename add: Oversize");
            continue;
        }
        folderItems.push_back(
            FileItem{path, FileProcessState::idle, std::nullopt, {}, FileIdentity::of(path)});
        ORVANE_LOG("rename add: Success");
        ++added;
    }
    return added;
}

std::string RenamerFileList::noticeText(const FailedFileItem& failed) {
    const std::string name = kit::displayPath(fileNameOf(failed.filePath));
    switch (failed.reason) {
        case FailedReason::duplicate: return kit::formatLocalized("%@ already exists", {name});
        case FailedReason::oversize:
            return kit::formatLocalized("%@ failed to add, exceeds limit", {name});
        case FailedReason::invalidType: break;
    }
    return kit::formatLocalized("%@ not supported", {name});
}

std::vector<std::string> RenamerFileList::notices() const {
    if (failedItems.empty()) return {kit::localized("All files added successfully")};
    std::vector<std::string> out;
    for (const auto& f : failedItems) out.push_back(noticeText(f));
    return out;
}

}  // namespace orvane::renamer
