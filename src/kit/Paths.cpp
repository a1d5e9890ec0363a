#include "kit/Paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace orvane::kit {

namespace {

std::string envOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return (v && *v == '/') ? std::string(v) : fallback;
}

std::string ensureDir(std::string path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return path;
}

}  // namespace

std::string customHomeDirectory() {
    if (const char* h = std::getenv("HOME"); h && *h) return h;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

std::string picturesDirectory() {
    const std::string home = customHomeDirectory();
    const std::string config = envOr("XDG_CONFIG_HOME", home + "/.config");
    std::ifstream in(config + "/user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        static const std::string key = "XDG_PICTURES_DIR=";
        if (line.rfind(key, 0) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.starts_with("$HOME")) value = home + value.substr(5);
        if (!value.empty() && value.front() == '/' && value != home) return value;
    }
    return home + "/Pictures";
}

std::optional<std::string> getVolumeName() {
    // The label of the root file system, when udev published one.
    std::error_code ec;
    struct stat rootStat {};
    if (::stat("/", &rootStat) != 0) return std::nullopt;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/disk/by-label", ec)) {
        struct stat devStat {};
        if (::stat(entry.path().c_str(), &devStat) == 0 && devStat.st_rdev == rootStat.st_dev)
            return entry.path().filename().string();
    }
    return std::nullopt;
}

std::string_view withoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return path;
}

std::string absolutePath(std::string_view path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(std::filesystem::path(path), ec);
    if (ec) p = std::filesystem::path(path);
    // "link/.." is the folder above the link's target, as the kernel resolves it, not the folder
    // the text names: whatever is scanned and removed must be what the kernel means.
    for (const auto& part : p)
        if (part == "..") {
            if (char* real = ::realpath(p.c_str(), nullptr)) {
                std::string out(real);
                std::free(real);
                return out;
            }
            break;
        }
    return std::string(withoutTrailingSlashes(p.lexically_normal().string()));
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string directoryName(std::string_view path) {
    path = withoutTrailingSlashes(path);
    if (path == "/") return "/";
    auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string_view pathExtension(std::string_view path) {
    auto slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    return name.substr(dot + 1);
}

std::string fileNameDeletepathExtension(std::string_view path) {
    std::string name = directoryName(path);
    auto ext = pathExtension(name);
    if (ext.empty()) {
        // "name." keeps its dot-less stem.
        if (name.size() > 1 && name.back() == '.') name.pop_back();
        return name;
    }
    return name.substr(0, name.size() - ext.size() - 1);
}

std::string parentPath(std::string_view path) {
    path = withoutTrailingSlashes(path);
    auto slash = path.rfind('/');
    if (slash == std::string_view::npos) return ".";
    if (slash == 0) return "/";
    return std::string(path.substr(0, slash));
}

std::string joinPath(std::string_view dir, std::string_view name) {
    std::string out(dir);
    if (out.empty() || out.back() != '/') out.push_back('/');
    while (!name.empty() && name.front() == '/') name.remove_prefix(1);
    out.append(name);
    return out;
}

std::string applicationSupportDirectory(std::string_view bundleId) {
    const std::string base = envOr("XDG_CONFIG_HOME", customHomeDirectory() + "/.config");
    return ensureDir(joinPath(base, bundleId));
}

std::string logDirectory(std::string_view bundleId) {
    const std::string base = envOr("XDG_STATE_HOME", customHomeDirectory() + "/.local/state");
    return ensureDir(joinPath(base, bundleId));
}

namespace {
// Length of the well-formed UTF-8 sequence at s[i], or 0 when it is not one.
// Length of the well-formed UTF-8 sequence at i, or 0. Overlong forms, UTF-16 surrogates and
// code points above U+10FFFF are not well-formed: passing them on would hand readers text that
// strict decoders refuse or decode to something else.
std::size_t utf8SequenceLength(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    std::size_t n = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) low = 0xA0;        // overlong
        else if (c == 0xED) high = 0x9F;  // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) low = 0x90;        // overlong
        else if (c == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    const auto second = static_cast<unsigned char>(s[i + 1]);
    if (second < low || second > high) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}
}  // namespace

bool isValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = utf8SequenceLength(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string displayPath(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        if (const std::size_t n = utf8SequenceLength(s, i)) {
            out.append(s.substr(i, n));
            i += n;
        } else {
            out.append("\xEF\xBF\xBD");
            ++i;
        }
    }
    return out;
}

namespace {

// C0 controls, DEL and the C1 controls (U+0080-U+009F, which some terminals take as escapes).
bool isControl(std::string_view s, std::size_t i, std::size_t n) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (n == 1) return c < 0x20 || c == 0x7F;
    return n == 2 && c == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0;
}

// The byte offset where the code point numbered `index` starts (s.size() past the last).
std::size_t offsetOf(std::string_view s, std::size_t index) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) continue;
        if (seen++ == index) return i;
    }
    return s.size();
}

}  // namespace

std::size_t codePointCount(std::string_view s) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) ++count;
    return count;
}

std::string terminalPath(std::string_view s) {
    bool plain = true;
    for (std::size_t i = 0; i < s.size() && plain;) {
        const std::size_t n = utf8SequenceLength(s, i);
        if (n == 0 || isControl(s, i, n)) plain = false;
        i += n == 0 ? 1 : n;
    }
    if (plain) return std::string(s);
    static constexpr char hex[] = "0123456789abcdef";
    std::string out = "$'";
    auto escapeByte = [&](unsigned char c) {
        switch (c) {
            case '\n': out += "\\n"; return;
            case '\t': out += "\\t"; return;
            case '\r': out += "\\r"; return;
            default: break;
        }
        out += "\\x";
        out.push_back(hex[c >> 4]);
        out.push_back(hex[c & 0xF]);
    };
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = utf8SequenceLength(s, i);
        if (n == 0) {
            escapeByte(static_cast<unsigned char>(s[i]));
            ++i;
            continue;
        }
        if (isControl(s, i, n)) {
            for (std::size_t k = 0; k < n; ++k) escapeByte(static_cast<unsigned char>(s[i + k]));
        } else if (s[i] == '\\' || s[i] == '\'') {
            out.push_back('\\');
            out.push_back(s[i]);
        } else {
            out.append(s.substr(i, n));
        }
        i += n;
    }
    out.push_back('\'');
    return out;
}

std::string elideMiddle(std::string_view text, std::size_t columns) {
    const std::size_t length = codePointCount(text);
    if (length <= columns) return std::string(text);
    if (columns == 0) return {};
    // The end holds the file name, so it keeps the larger half.
    const std::size_t kept = columns - 1;
    const std::size_t head = kept / 2;
    const std::size_t tail = kept - head;
    std::string out(text.substr(0, offsetOf(text, head)));
    out += "\u2026";
    out += text.substr(offsetOf(text, length - tail));
    return out;
}

}  // namespace orvane::kit
