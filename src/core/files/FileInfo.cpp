#include "core/files/FileInfo.h"

#include <sys/stat.h>

namespace orvane::files {

FileInfo::FileInfo(ResourceValueURL value) : resourceValue(std::move(value)) {}

FileInfo::FileInfo(ResourceValueURL value, std::uint64_t knownSize)
    : resourceValue(std::move(value)), size_(knownSize) {}

std::uint64_t FileInfo::size() const {
    std::uint64_t cached = size_.load(std::memory_order_relaxed);
    if (cached != kUnknownSize) return cached;
    struct stat st {};
    // The size of what the path names, as a file manager would show it: a link shows its
    // target's size.
    const std::uint64_t measured =
        ::stat(path().c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    // Two threads racing here measure the same path; the first answer wins and stays.
    size_.compare_exchange_strong(cached, measured, std::memory_order_relaxed);
    return size_.load(std::memory_order_relaxed);
}

FileType FileInfo::fileType() const {
    std::uint8_t cached = fileType_.load(std::memory_order_relaxed);
    if (cached != kUnknownType) return static_cast<FileType>(cached);
    const FileType type = fileTypeOfPath(path());
    fileType_.store(static_cast<std::uint8_t>(type), std::memory_order_relaxed);
    return type;
}

}  // namespace orvane::files
