#include "core/files/DuplicateFiles.h"

namespace orvane::files {

void DuplicateFiles::append(std::shared_ptr<FileInfo> info) {
    totalSize += info->size();
    _infos.push_back(std::move(info));
}

bool DuplicateFiles::hasOtherNameOf(const FileInfo& file) const {
    const auto id = file.resourceValue.resourceValues.fileResourceIdentifier();
    if (!id) return false;
    for (const auto& other : _infos)
        if (other.get() != &file && !other->deleted &&
            other->resourceValue.resourceValues.fileResourceIdentifier() == id)
            return true;
    return false;
}

}  // namespace orvane::files
