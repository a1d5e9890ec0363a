#include "core/renamer/ParserSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "kit/DateFormat.h"
#include "kit/WholeFile.h"

namespace orvane::renamer {

std::string lowerExtension(std::string_view path) {
    const std::string name = fileNameOf(path);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return {};
    std::string ext = name.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

std::string fileNameOf(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::optional<ParseError> readFileCapped(const std::string& path, std::size_t maxBytes,
                                         std::string& out, const std::string& domain) {
    out.clear();
    kit::WholeFile file = kit::readFileStart(path, maxBytes, kit::FileLinks::follow);
    using Failure = kit::WholeFile::Failure;
    switch (file.failure) {
        case Failure::none: out = std::move(file.bytes); return std::nullopt;
        case Failure::notRegular:
        case Failure::tooLarge:
            return ParseError{domain, EINVAL, "Only regular files can be read."};
        case Failure::cannotRead:
            return ParseError{
                domain, file.error,
                std::string("The file could not be read: ") + std::strerror(file.error)};
        case Failure::missing:
        case Failure::cannotOpen: break;
    }
    return ParseError{domain, file.error,
                      std::string("The file could not be opened: ") + std::strerror(file.error)};
}

std::optional<std::string> creationTimeText(const std::string& path) {
    struct statx stx {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &stx) != 0) return std::nullopt;
    if (!(stx.stx_mask & STATX_BTIME)) return std::nullopt;
    const double seconds = static_cast<double>(stx.stx_btime.tv_sec) + stx.stx_btime.tv_nsec / 1e9;
    return kit::dateStr(seconds);
}

ExtractedSummary baseSummary(const std::string& fileName, const std::string& typeLabel) {
    ExtractedSummary s;
    s.fileName = toValidUtf8(fileName);
    s.typeLabel = typeLabel;
    s.mainFields["name"] = s.fileName;
    s.mainFields["type"] = typeLabel;
    return s;
}

namespace {

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not a valid one.
std::size_t utf8SequenceLength(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = 0;
    std::uint32_t cp = 0;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return 0;
    if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
    return len;
}

}  // namespace

std::string toValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = utf8SequenceLength(text, i);
        if (len == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (!(len == 1 && text[i] == '\0')) out.append(text.substr(i, len));
        i += len;
    }
    return out;
}

std::string prefixCharacters(std::string_view text, std::size_t count) {
    std::size_t i = 0, chars = 0;
    while (i < text.size() && chars < count) {
        const std::size_t len = utf8SequenceLength(text, i);
        i += len == 0 ? 1 : len;
        ++chars;
    }
    return std::string(text.substr(0, i));
}

namespace {
bool isSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
}  // namespace

std::string normalizeWhitespace(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool pendingSpace = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // U+00A0 and the U+3000 ideographic space count as white space too.
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xA0) {
            pendingSpace = true;
            ++i;
            continue;
        }
        if (c == 0xE3 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
            static_cast<unsigned char>(text[i + 2]) == 0x80) {
            pendingSpace = true;
            i += 2;
            continue;
        }
        if (isSpace(c)) {
            pendingSpace = true;
            continue;
        }
        if (pendingSpace && !out.empty()) out += ' ';
        pendingSpace = false;
        out += static_cast<char>(c);
    }
    return out;
}

std::string trim(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && isSpace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && isSpace(static_cast<unsigned char>(text[e - 1]))) --e;
    return std::string(text.substr(b, e - b));
}

}  // namespace orvane::renamer
