#include "core/renamer/TextDecoding.h"

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>
#include <unicode/ustring.h>

#include <memory>
#include <vector>

#include "kit/Paths.h"

namespace orvane::renamer {

namespace {

bool startsWith(std::string_view s, std::string_view prefix) { return s.starts_with(prefix); }

// The detector's guess below this confidence is no better than noise.
constexpr int32_t kMinimumConfidence = 20;

}  // namespace

std::optional<std::string> decodeStrict(std::string_view bytes, const char* charset) {
    if (bytes.empty()) return std::string();
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX / 2)) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> conv(ucnv_open(charset, &status),
                                                            &ucnv_close);
    if (U_FAILURE(status) || !conv) return std::nullopt;
    ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status)) return std::nullopt;

    std::vector<UChar> utf16(bytes.size() + 2);
    status = U_ZERO_ERROR;
    const int32_t len16 =
        ucnv_toUChars(conv.get(), utf16.data(), static_cast<int32_t>(utf16.size()), bytes.data(),
                      static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) return std::nullopt;

    std::string out;
    int32_t len8 = 0;
    status = U_ZERO_ERROR;
    u_strToUTF8(nullptr, 0, &len8, utf16.data(), len16, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::nullopt;
    out.resize(static_cast<std::size_t>(len8));
    status = U_ZERO_ERROR;
    u_strToUTF8(out.data(), len8, nullptr, utf16.data(), len16, &status);
    if (U_FAILURE(status)) return std::nullopt;
    // A leading byte-order mark is not part of the text.
    if (startsWith(out, "\xEF\xBB\xBF")) out.erase(0, 3);
    return out;
}

bool looksBinary(std::string_view utf8) {
    std::size_t control = 0;
    for (unsigned char c : utf8) {
        if (c == 0) return true;
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' &&
             c != 0x1B) ||
            c == 0x7F)
            ++control;
    }
    // A few stray control characters occur in real logs; binary data is full of them.
    return control * 100 > utf8.size() + 200;
}

std::string_view trimIncompleteUtf8Tail(std::string_view bytes) {
    // Walk back over at most three continuation bytes to the lead byte of the last sequence.
    std::size_t i = bytes.size();
    std::size_t back = 0;
    while (i > 0 && back < 4 && (static_cast<unsigned char>(bytes[i - 1]) & 0xC0) == 0x80) {
        --i;
        ++back;
    }
    if (i == 0) return bytes;
    const auto lead = static_cast<unsigned char>(bytes[i - 1]);
    std::size_t need = 0;
    if (lead >= 0xC0 && lead < 0xE0) need = 2;
    else if (lead >= 0xE0 && lead < 0xF0) need = 3;
    else if (lead >= 0xF0 && lead < 0xF8) need = 4;
    if (need != 0 && back + 1 < need) return bytes.substr(0, i - 1);
    return bytes;
}

std::optional<std::string> decodeDetected(std::string_view bytes) {
    if (bytes.empty()) return std::string();
    if (startsWith(bytes, "\xEF\xBB\xBF")) {
        auto rest = bytes.substr(3);
        if (!kit::isValidUtf8(rest) || looksBinary(rest)) return std::nullopt;
        return std::string(rest);
    }
    if (startsWith(bytes, "\xFF\xFE") || startsWith(bytes, "\xFE\xFF")) {
        auto text = decodeStrict(bytes, "UTF-16");
        if (!text || looksBinary(*text)) return std::nullopt;
        return text;
    }
    if (bytes.find('\0') != std::string_view::npos) return std::nullopt;
    if (kit::isValidUtf8(bytes)) {
        if (looksBinary(bytes)) return std::nullopt;
        return std::string(bytes);
    }

    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> det(ucsdet_open(&status),
                                                                   &ucsdet_close);
    if (U_FAILURE(status)) return std::nullopt;
    // The detector only needs a sample; a whole 20 MiB file adds time, not accuracy.
    const auto sample = bytes.substr(0, 64 * 1024);
    ucsdet_setText(det.get(), sample.data(), static_cast<int32_t>(sample.size()), &status);
    int32_t found = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(det.get(), &found, &status);
    if (U_FAILURE(status) || !matches) return std::nullopt;
    for (int32_t i = 0; i < found; ++i) {
        UErrorCode s = U_ZERO_ERROR;
        const int32_t confidence = ucsdet_getConfidence(matches[i], &s);
        const char* name = ucsdet_getName(matches[i], &s);
        if (U_FAILURE(s) || !name || confidence < kMinimumConfidence) break;
        if (std::string_view(name) == "UTF-8") continue;  // already known to be invalid
        auto text = decodeStrict(bytes, name);
        if (text && !looksBinary(*text)) return text;
    }
    return std::nullopt;
}

}  // namespace orvane::renamer
