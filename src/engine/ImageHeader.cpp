#include "engine/ImageHeader.h"

#include <cctype>
#include <cstring>
#include <string>

namespace orvane::engine {

namespace {

// Bounds-checked big- and little-endian reads; every reader below goes through these.
struct Bytes {
    std::string_view b;

    bool has(std::size_t offset, std::size_t n) const {
        return offset <= b.size() && n <= b.size() - offset;
    }
    std::uint8_t u8(std::size_t o) const { return static_cast<std::uint8_t>(b[o]); }
    std::uint32_t be16(std::size_t o) const { return (std::uint32_t{u8(o)} << 8) | u8(o + 1); }
    std::uint32_t le16(std::size_t o) const { return (std::uint32_t{u8(o + 1)} << 8) | u8(o); }
    std::uint32_t be32(std::size_t o) const { return (be16(o) << 16) | be16(o + 2); }
    std::uint32_t le32(std::size_t o) const { return (le16(o + 2) << 16) | le16(o); }
    bool startsWith(std::string_view magic, std::size_t o = 0) const {
        return has(o, magic.size()) && b.substr(o, magic.size()) == magic;
    }
};

std::optional<ImageHeader> make(ImageFormat format, std::uint64_t w, std::uint64_t h) {
    if (w == 0 || h == 0 || w > 0xFFFFFFu || h > 0xFFFFFFu) return std::nullopt;
    return ImageHeader{format, static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h)};
}

std::optional<ImageHeader> jpeg(const Bytes& in) {
    std::size_t p = 2;
    // A real header reaches its frame marker within a few hundred segments.
    for (int segments = 0; segments < 4096; ++segments) {
        while (in.has(p, 1) && in.u8(p) != 0xFF) ++p;  // tolerate garbage between segments
        while (in.has(p, 1) && in.u8(p) == 0xFF) ++p;  // fill bytes
        if (!in.has(p, 1)) return std::nullopt;
        const std::uint8_t marker = in.u8(p++);
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // image data before a frame
        if (!in.has(p, 2)) return std::nullopt;
        const std::uint32_t length = in.be16(p);
        if (length < 2) return std::nullopt;
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 7 || !in.has(p, 7)) return std::nullopt;
            return make(ImageFormat::jpeg, in.be16(p + 5), in.be16(p + 3));
        }
        p += length;
    }
    return std::nullopt;
}

std::optional<ImageHeader> png(const Bytes& in) {
    if (!in.has(8, 24) || !in.startsWith("IHDR", 12)) return std::nullopt;
    return make(ImageFormat::png, in.be32(16), in.be32(20));
}

std::optional<ImageHeader> bmp(const Bytes& in) {
    if (!in.has(14, 4)) return std::nullopt;
    const std::uint32_t infoSize = in.le32(14);
    if (infoSize == 12) {
        if (!in.has(18, 4)) return std::nullopt;
        return make(ImageFormat::bmp, in.le16(18), in.le16(20));
    }
    if (infoSize < 40 || !in.has(18, 8)) return std::nullopt;
    const auto w = static_cast<std::int32_t>(in.le32(18));
    const auto h = static_cast<std::int32_t>(in.le32(22));
    if (w <= 0 || h == 0 || h == INT32_MIN) return std::nullopt;
    return make(ImageFormat::bmp, static_cast<std::uint64_t>(w),
                static_cast<std::uint64_t>(h < 0 ? -std::int64_t{h} : h));
}

std::optional<ImageHeader> webp(const Bytes& in) {
    if (!in.has(12, 18)) return std::nullopt;
    if (in.startsWith("VP8 ", 12)) {
        if (!in.startsWith("\x9d\x01\x2a", 23)) return std::nullopt;
        return make(ImageFormat::webp, in.le16(26) & 0x3FFF, in.le16(28) & 0x3FFF);
    }
    if (in.startsWith("VP8L", 12)) {
        if (in.u8(20) != 0x2F || !in.has(21, 4)) return std::nullopt;
        const std::uint32_t bits = in.le32(21);
        return make(ImageFormat::webp, (bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1);
    }
    if (in.startsWith("VP8X", 12)) {
        const auto w = std::uint32_t{in.u8(24)} | std::uint32_t{in.u8(25)} << 8 |
                       std::uint32_t{in.u8(26)} << 16;
        const auto h = std::uint32_t{in.u8(27)} | std::uint32_t{in.u8(28)} << 8 |
                       std::uint32_t{in.u8(29)} << 16;
        return make(ImageFormat::webp, std::uint64_t{w} + 1, std::uint64_t{h} + 1);
    }
    return std::nullopt;
}

// Whitespace-separated decimal tokens with '#' comments, as the portable formats write them.
struct TokenReader {
    const Bytes& in;
    std::size_t p;

    std::optional<std::uint64_t> number() {
        while (in.has(p, 1)) {
            const char c = static_cast<char>(in.u8(p));
            if (c == '#') {
                while (in.has(p, 1) && in.u8(p) != '\n') ++p;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++p;
            } else {
                break;
            }
        }
        std::uint64_t v = 0;
        std::size_t digits = 0;
        while (in.has(p, 1) && std::isdigit(in.u8(p))) {
            if (++digits > 9) return std::nullopt;
            v = v * 10 + (in.u8(p++) - '0');
        }
        // A number must be followed by more header, or it may have been cut short.
        if (digits == 0 || !in.has(p, 1)) return std::nullopt;
        const auto after = in.u8(p);
        if (!std::isspace(after) && after != '#') return std::nullopt;
        return v;
    }
};

std::optional<ImageHeader> pnm(const Bytes& in) {
    const char kind = static_cast<char>(in.u8(1));
    if (kind == '7') {
        // PAM: "WIDTH n" and "HEIGHT n" lines before ENDHDR.
        const std::string_view head = in.b.substr(0, std::min<std::size_t>(in.b.size(), 4096));
        const auto value = [&](std::string_view key) -> std::optional<std::uint64_t> {
            const auto at = head.find(key);
            if (at == std::string_view::npos) return std::nullopt;
            TokenReader r{in, at + key.size()};
            return r.number();
        };
        const auto w = value("\nWIDTH");
        const auto h = value("\nHEIGHT");
        if (!w || !h) return std::nullopt;
        return make(ImageFormat::pnm, *w, *h);
    }
    if (kind < '1' || kind > '6') return std::nullopt;
    TokenReader r{in, 2};
    const auto w = r.number();
    const auto h = w ? r.number() : std::nullopt;
    if (!w || !h) return std::nullopt;
    return make(ImageFormat::pnm, *w, *h);
}

std::optional<ImageHeader> tiff(const Bytes& in) {
    const bool little = in.startsWith("II");
    const auto u16 = [&](std::size_t o) { return little ? in.le16(o) : in.be16(o); };
    const auto u32 = [&](std::size_t o) { return little ? in.le32(o) : in.be32(o); };
    if (!in.has(4, 4)) return std::nullopt;
    const std::size_t ifd = u32(4);
    if (!in.has(ifd, 2)) return std::nullopt;
    const std::uint32_t count = u16(ifd);
    std::uint64_t w = 0, h = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t e = ifd + 2 + std::size_t{i} * 12;
        if (!in.has(e, 12)) return std::nullopt;
        const std::uint32_t tag = u16(e), type = u16(e + 2);
        std::uint64_t value = 0;
        if (type == 3) {
            value = u16(e + 8);
        } else if (type == 4) {
            value = u32(e + 8);
        } else {
            continue;
        }
        if (tag == 256) w = value;
        if (tag == 257) h = value;
    }
    return make(ImageFormat::tiff, w, h);
}

std::optional<ImageHeader> sunRaster(const Bytes& in) {
    if (!in.has(0, 12)) return std::nullopt;
    return make(ImageFormat::sunRaster, in.be32(4), in.be32(8));
}

std::optional<ImageHeader> radiance(const Bytes& in) {
    // Header lines end at an empty line; the next line holds the resolution, e.g. "-Y 480 +X 640".
    const std::string_view text = in.b.substr(0, std::min<std::size_t>(in.b.size(), 8192));
    const auto end = text.find("\n\n");
    if (end == std::string_view::npos) return std::nullopt;
    const auto lineEnd = text.find('\n', end + 2);
    if (lineEnd == std::string_view::npos) return std::nullopt;
    const std::string line(text.substr(end + 2, lineEnd - end - 2));
    char a1 = 0, a2 = 0, s1 = 0, s2 = 0;
    unsigned long n1 = 0, n2 = 0;
    if (std::sscanf(line.c_str(), "%c%c %lu %c%c %lu", &s1, &a1, &n1, &s2, &a2, &n2) != 6)
        return std::nullopt;
    if ((s1 != '-' && s1 != '+') || (s2 != '-' && s2 != '+')) return std::nullopt;
    if (a1 == 'Y' && a2 == 'X') return make(ImageFormat::radiance, n2, n1);
    if (a1 == 'X' && a2 == 'Y') return make(ImageFormat::radiance, n1, n2);
    return std::nullopt;
}

std::optional<ImageHeader> jpeg2000Codestream(const Bytes& in, std::size_t at) {
    // SIZ follows SOC: Lsiz Rsiz Xsiz Ysiz XOsiz YOsiz.
    if (!in.has(at, 24) || in.be16(at) != 0xFF4F || in.be16(at + 2) != 0xFF51) return std::nullopt;
    const std::uint64_t x = in.be32(at + 8), y = in.be32(at + 12);
    const std::uint64_t x0 = in.be32(at + 16), y0 = in.be32(at + 20);
    if (x0 >= x || y0 >= y) return std::nullopt;
    return make(ImageFormat::jpeg2000, x - x0, y - y0);
}

std::optional<ImageHeader> jpeg2000(const Bytes& in) {
    if (in.startsWith("\xFF\x4F\xFF\x51")) return jpeg2000Codestream(in, 0);
    // Boxes: length (4), type (4); "jp2h" holds "ihdr" with height, then width.
    std::size_t p = 0;
    for (int boxes = 0; boxes < 64 && in.has(p, 8); ++boxes) {
        std::uint64_t length = in.be32(p);
        const std::string_view type = in.b.substr(p + 4, 4);
        std::size_t header = 8;
        if (length == 1) {
            if (!in.has(p + 8, 8)) return std::nullopt;
            length = (std::uint64_t{in.be32(p + 8)} << 32) | in.be32(p + 12);
            header = 16;
        }
        if (type == "jp2h") {
            p += header;  // descend into the super box
            continue;
        }
        if (type == "ihdr") {
            if (!in.has(p + header, 8)) return std::nullopt;
            return make(ImageFormat::jpeg2000, in.be32(p + header + 4), in.be32(p + header));
        }
        if (length == 0 || length < header || length > in.b.size() - p) return std::nullopt;
        p += length;
    }
    return std::nullopt;
}

std::optional<ImageHeader> openExr(const Bytes& in) {
    std::size_t p = 8;
    for (int attributes = 0; attributes < 1024; ++attributes) {
        const auto nameEnd = in.b.find('\0', p);
        if (nameEnd == std::string_view::npos || nameEnd - p > 255) return std::nullopt;
        const std::string_view name = in.b.substr(p, nameEnd - p);
        if (name.empty()) return std::nullopt;  // end of header without a data window
        const auto typeEnd = in.b.find('\0', nameEnd + 1);
        if (typeEnd == std::string_view::npos || typeEnd - nameEnd > 256) return std::nullopt;
        const std::string_view type = in.b.substr(nameEnd + 1, typeEnd - nameEnd - 1);
        p = typeEnd + 1;
        if (!in.has(p, 4)) return std::nullopt;
        const std::uint32_t size = in.le32(p);
        p += 4;
        if (!in.has(p, size)) return std::nullopt;
        if (name == "dataWindow" && type == "box2i" && size == 16) {
            const auto x0 = static_cast<std::int32_t>(in.le32(p));
            const auto y0 = static_cast<std::int32_t>(in.le32(p + 4));
            const auto x1 = static_cast<std::int32_t>(in.le32(p + 8));
            const auto y1 = static_cast<std::int32_t>(in.le32(p + 12));
            if (x1 < x0 || y1 < y0) return std::nullopt;
            return make(ImageFormat::openExr, std::int64_t{x1} - x0 + 1, std::int64_t{y1} - y0 + 1);
        }
        p += size;
    }
    return std::nullopt;
}

}  // namespace

std::optional<ImageHeader> readImageHeader(std::string_view bytes) {
    const Bytes in{bytes};
    if (in.startsWith("\xFF\xD8\xFF")) return jpeg(in);
    if (in.startsWith("\x89PNG\r\n\x1a\n")) return png(in);
    if (in.startsWith("BM")) return bmp(in);
    if (in.startsWith("RIFF") && in.startsWith("WEBP", 8)) return webp(in);
    if (in.has(0, 3) && in.u8(0) == 'P' && std::isspace(in.u8(2)) != 0) return pnm(in);
    if (in.startsWith(std::string_view("II*\0", 4)) || in.startsWith(std::string_view("MM\0*", 4)))
        return tiff(in);
    if (in.startsWith("\x59\xA6\x6A\x95")) return sunRaster(in);
    if (in.startsWith("#?RADIANCE") || in.startsWith("#?RGBE")) return radiance(in);
    if (in.startsWith(std::string_view("\0\0\0\x0CjP  \r\n\x87\n", 12)) ||
        in.startsWith("\xFF\x4F\xFF\x51"))
        return jpeg2000(in);
    if (in.startsWith("\x76\x2F\x31\x01")) return openExr(in);
    return std::nullopt;
}

}  // namespace orvane::engine
