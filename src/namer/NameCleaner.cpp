#include "namer/NameCleaner.h"

#include "core/renamer/ParserSupport.h"

namespace orvane::namer {

namespace {

bool forbidden(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' ||
           c == '"' || c == '<' || c == '>' || c == '|';
}

std::size_t characterCount(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

std::string NameCleaner::cleanBase(std::string_view text, std::size_t maxCharacters) {
    std::string replaced;
    for (unsigned char c : renamer::toValidUtf8(text)) replaced += forbidden(c) ? ' ' : char(c);
    std::string s = renamer::normalizeWhitespace(replaced);
    // Leading dots would hide the file; trailing dots and separators look like a cut name.
    while (!s.empty() &&
           (s.front() == '.' || s.front() == ' ' || s.front() == '_' || s.front() == '-'))
        s.erase(0, 1);
    auto trimEnd = [&s] {
        while (!s.empty() && (s.back() == '.' || s.back() == ' ' || s.back() == '_' ||
                              s.back() == '-' || s.back() == ','))
            s.pop_back();
    };
    trimEnd();
    if (characterCount(s) > maxCharacters) {
        const std::string cut = renamer::prefixCharacters(s, maxCharacters);
        // Whole words only: back up to the last separator when there is one in reach.
        const auto boundary = cut.find_last_of(" _-");
        const bool nextIsBoundary =
            s.size() > cut.size() &&
            (s[cut.size()] == ' ' || s[cut.size()] == '_' || s[cut.size()] == '-');
        s = (nextIsBoundary || boundary == std::string::npos || boundary < cut.size() / 3)
                ? cut
                : cut.substr(0, boundary);
        trimEnd();
    }
    return s;
}

std::string NameCleaner::clean(std::string_view text, std::string_view extension,
                               std::size_t maxCharacters) {
    const std::string ext = cleanBase(extension, 16);
    const std::size_t room =
        ext.empty() ? maxCharacters : maxCharacters - std::min(maxCharacters - 1, ext.size() + 1);
    std::string base = cleanBase(text, room);
    if (base.empty()) return {};
    if (!ext.empty()) base += "." + ext;
    return base;
}

}  // namespace orvane::namer
