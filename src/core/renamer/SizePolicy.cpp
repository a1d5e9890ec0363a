#include "core/renamer/SizePolicy.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>

#include "core/renamer/ParserSupport.h"

namespace orvane::renamer::SizePolicy {

namespace {

bool sizeOf(std::string_view path, std::uint64_t& size, std::error_code& ec) {
    struct stat st {};
    if (::stat(std::string(path).c_str(), &st) != 0) {
        ec = std::error_code(errno, std::generic_category());
        return false;
    }
    ec.clear();
    size = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    return true;
}

}  // namespace

bool isImageExtension(std::string_view ext) {
    static constexpr std::array<std::string_view, 6> kImages = {"jpg",  "jpeg", "png",
                                                                "webp", "heif", "heic"};
    for (auto e : kImages)
        if (e == ext) return true;
    return false;
}

bool isDocumentExtension(std::string_view ext) {
    static constexpr std::array<std::string_view, 14> kDocuments = {
        "txt", "docx", "pdf",  "md",   "html", "htm", "csv",
        "tsv", "xlsx", "json", "yaml", "yml",  "xml", "log"};
    for (auto e : kDocuments)
        if (e == ext) return true;
    return false;
}

Kind kind(std::string_view path) {
    const std::string ext = lowerExtension(path);
    if (isImageExtension(ext)) return image;
    if (isDocumentExtension(ext)) return document;
    return other;
}

std::uint64_t limitFor(std::string_view path) {
    switch (kind(path)) {
        case image: return kImageLimit;
        case document: return kDocumentLimit;
        case other: break;
    }
    return 0;
}

bool canAdd(std::string_view path, std::error_code& ec) {
    std::uint64_t size = 0;
    if (!sizeOf(path, size, ec)) return false;
    const Kind k = kind(path);
    if (k == other) return false;
    return size <= limitFor(path);
}

bool parseThenUpload(std::string_view path, std::error_code& ec) {
    std::uint64_t size = 0;
    if (!sizeOf(path, size, ec)) return false;
    return size >= kUploadThreshold;
}

}  // namespace orvane::renamer::SizePolicy
