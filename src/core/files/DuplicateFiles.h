#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/files/FileInfo.h"

namespace orvane::files {

// Check state of a whole group as the result list shows it.
enum class SelectState : std::uint8_t { off, on, mixed };

// A group of files with identical content. Built on a hashing thread, then owned by the
// driver's result lists and shared by reference with the screens until the next scan.
class DuplicateFiles {
public:
    DuplicateFiles() = default;
    DuplicateFiles(const DuplicateFiles&) = delete;
    DuplicateFiles& operator=(const DuplicateFiles&) = delete;

    // Members in ascending path order as delivered, until the user re-sorts them.
    std::vector<std::shared_ptr<FileInfo>> _infos;
    std::uint64_t totalSize = 0;
    std::uint64_t uiSelectedSize = 0;
    SelectState selectState = SelectState::off;

    const std::vector<std::shared_ptr<FileInfo>>& infos() const { return _infos; }
    std::size_t count() const { return _infos.size(); }
    // Appends a member and adds its size to the total.
    void append(std::shared_ptr<FileInfo> info);
    // True when another member not yet removed is the same file on disk (a hard link): taking
    // `file` away then frees no bytes.
    bool hasOtherNameOf(const FileInfo& file) const;
};

using DuplicateFilesPtr = std::shared_ptr<DuplicateFiles>;

}  // namespace orvane::files
