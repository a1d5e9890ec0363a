#pragma once

#include <string>
#include <string_view>

#include "core/renamer/AIRenameFileModel.h"

namespace orvane::renamer {

class ParserRouter;

// Fills a request's extractedData, createTime and owner from the file: a document's summary
// text, or an image as a data URL. A file that cannot be summarised leaves extractedData empty
// and says why in `why` (when given).
void extractFileData(AIRenameFileModel& file, const ParserRouter& router,
                     std::string* why = nullptr);

// "image/jpeg", "image/png", "image/webp" or "image/heic" for a lower-case extension; JPEG for
// anything else.
std::string_view imageMimeType(std::string_view lowerExtension);
// "data:<mime>;base64,<standard Base64 of bytes>".
std::string dataURL(std::string_view mime, std::string_view bytes);

}  // namespace orvane::renamer
