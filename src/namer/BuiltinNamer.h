#pragma once

#include <string>
#include <string_view>

#include "namer/NamerBackend.h"

namespace orvane::namer {

// Names a file from its summary alone, offline: the title (a short first line or heading), or
// else the most telling words of the content, with the owner and the date in the asked order.
// Images are named from the text recognised in them, or from their capture date. The name uses
// the content's own words, whatever language is asked for.
class BuiltinNamer : public NamerBackend {
public:
    NameSuggestion suggest(const NameRequest& request) const override;

    // The content part: the title or the telling words of `text`.
    static std::string contentPhrase(std::string_view text);
    // "YYYY-MM-DD" from the first date found in `text` (ISO, EXIF or PDF style), or empty.
    static std::string normalizedDate(std::string_view text);
    // The capture date of a JPEG's EXIF data as "YYYY-MM-DD", or empty.
    static std::string exifDate(std::string_view imageBytes);
};

}  // namespace orvane::namer
