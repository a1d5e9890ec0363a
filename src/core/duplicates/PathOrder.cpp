#include "core/duplicates/PathOrder.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <string>

#include "kit/Paths.h"

namespace orvane::duplicates {

namespace {

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// UTF-8 byte order is code point order, so normalised UTF-8 compares correctly as bytes.
std::string nfc(std::string_view s) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* normalizer = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return std::string(s);
    const auto text =
        icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())));
    icu::UnicodeString normal = normalizer->normalize(text, status);
    if (U_FAILURE(status)) return std::string(s);
    std::string out;
    normal.toUTF8String(out);
    return out;
}

}  // namespace

bool pathLess(std::string_view a, std::string_view b) {
    if ((isAscii(a) && isAscii(b)) || !kit::isValidUtf8(a) || !kit::isValidUtf8(b)) return a < b;
    const std::string na = nfc(a), nb = nfc(b);
    if (na != nb) return na < nb;
    return a < b;  // canonically equal spellings still need a fixed order
}

}  // namespace orvane::duplicates
