#include "core/renamer/FileDataExtraction.h"

#include <openssl/evp.h>

#include "core/renamer/ParserRouter.h"
#include "core/renamer/ParserSupport.h"
#include "core/renamer/SizePolicy.h"

namespace orvane::renamer {

std::string_view imageMimeType(std::string_view ext) {
    if (ext == "png") return "image/png";
    if (ext == "webp") return "image/webp";
    if (ext == "heic" || ext == "heif") return "image/heic";
    return "image/jpeg";
}

std::string dataURL(std::string_view mime, std::string_view bytes) {
    std::string out = "data:";
    out += mime;
    out += ";base64,";
    const std::size_t head = out.size();
    out.resize(head + 4 * ((bytes.size() + 2) / 3) + 1);
    // EVP_EncodeBlock takes an int length: encode in slices that are a multiple of three.
    constexpr std::size_t kSlice = 3 * 1024 * 1024;
    std::size_t written = head;
    for (std::size_t off = 0; off < bytes.size(); off += kSlice) {
        const std::size_t n = std::min(kSlice, bytes.size() - off);
        written += static_cast<std::size_t>(EVP_EncodeBlock(
            reinterpret_cast<unsigned char*>(out.data() + written),
            reinterpret_cast<const unsigned char*>(bytes.data() + off), static_cast<int>(n)));
    }
    out.resize(written);
    return out;
}

void extractFileData(AIRenameFileModel& file, const ParserRouter& router, std::string* why) {
    const ParseResult parsed = router.parse(file.filePath);
    if (!parsed.ok()) {
        file.extractedData.reset();
        if (why) *why = parsed.error.description;
        return;
    }
    const ExtractedSummary& s = *parsed.summary;
    if (s.typeLabel == "IMAGE") {
        std::string bytes;
        if (auto err = readFileCapped(file.filePath, SizePolicy::kImageLimit, bytes, "Image")) {
            file.extractedData.reset();
            if (why) *why = err->description;
            return;
        }
        file.extractedData = dataURL(imageMimeType(lowerExtension(file.filePath)), bytes);
    } else {
        const std::string content = s.field("content");
        if (content.empty()) file.extractedData.reset();
        else file.extractedData = content;
    }
    if (const std::string created = s.meta("createTime"); !created.empty())
        file.createTime = created;
    if (const std::string author = s.meta("author"); !author.empty()) file.owner = author;
}

}  // namespace orvane::renamer
