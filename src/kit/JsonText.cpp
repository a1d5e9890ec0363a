#include "kit/JsonText.h"

#include <cstdio>

#include "kit/Paths.h"

namespace orvane::kit {

void appendJsonString(std::string& out, std::string_view s) {
    char buf[8];
    out.push_back('"');
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            switch (c) {
                case '"': out += "\\\""; break;
                case '\\': out += "\\\\"; break;
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                default:
                    if (c < 0x20) {
                        std::snprintf(buf, sizeof buf, "\\u%04x", c);
                        out += buf;
                    } else {
                        out.push_back(static_cast<char>(c));
                    }
            }
            ++i;
            continue;
        }
        const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
        if (length && i + length <= s.size() && isValidUtf8(s.substr(i, length))) {
            out.append(s.substr(i, length));
            i += length;
        } else {
            std::snprintf(buf, sizeof buf, "\\udc%02x", c);
            out += buf;
            ++i;
        }
    }
    out.push_back('"');
}

std::string jsonString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    appendJsonString(out, text);
    return out;
}

}  // namespace orvane::kit
