#include "core/files/DuplicateFiles.h"

namespace orvane::files {

void DuplicateFiles::append(std::shared_ptr<FileInfo> info) {
    totalSize += info->size();
    _infos.push_back(std::move(info));
}

}  // namespace orvane::files
