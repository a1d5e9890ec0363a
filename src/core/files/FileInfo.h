#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "core/files/FileType.h"
#include "core/files/ResourceValueURL.h"

namespace orvane::files {

// Why removing or moving a file failed, kept on the file for the result screen.
struct RemoveError {
    int code = 0;
    std::string description;
};

// One file of a result group. Shared by reference between the driver, the screens and removal;
// selection and outcome live here so every view of the file agrees.
class FileInfo {
public:
    explicit FileInfo(ResourceValueURL resourceValue);
    // For a record whose size was just confirmed by reading the file to its end: no need to ask
    // the file system again.
    FileInfo(ResourceValueURL resourceValue, std::uint64_t knownSize);
    FileInfo(const FileInfo&) = delete;
    FileInfo& operator=(const FileInfo&) = delete;

    const ResourceValueURL resourceValue;
    const std::string& path() const { return resourceValue.url; }

    // The size the file system reports for the path when first asked, then kept; 0 when the
    // path is gone or unreadable.
    std::uint64_t size() const;
    // Kind by extension, worked out on first use.
    FileType fileType() const;

    bool selected = false;
    bool deleted = false;
    std::optional<RemoveError> removeError;

private:
    static constexpr std::uint64_t kUnknownSize = ~std::uint64_t{0};
    static constexpr std::uint8_t kUnknownType = 5;
    mutable std::atomic<std::uint64_t> size_{kUnknownSize};
    mutable std::atomic<std::uint8_t> fileType_{kUnknownType};
};

}  // namespace orvane::files
