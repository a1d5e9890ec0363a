#include "core/duplicates/DuplicateFiles.h"

namespace orvane::duplicates {

void DuplicateFiles::append(std::shared_ptr<FileInfo> info) {
    totalSize += info->size();
    _infos.push_back(std::move(info));
}

}  // namespace orvane::duplicates
