#include "core/apps/DesktopEntry.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "kit/Paths.h"
#include "kit/WholeFile.h"

namespace orvane::apps {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// String values escape \s \n \t \r and \\; any other escape is kept as written.
std::string unescape(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 == raw.size()) {
            out += raw[i];
            continue;
        }
        switch (raw[++i]) {
            case 's': out += ' '; break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case '\\': out += '\\'; break;
            default: out += '\\'; out += raw[i];
        }
    }
    return out;
}

void setError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

}  // namespace

std::optional<DesktopEntry> DesktopEntry::parse(std::string_view text, std::string* error) {
    if (text.size() > kMaxBytes) {
        setError(error, "larger than any desktop entry");
        return std::nullopt;
    }
    if (!kit::isValidUtf8(text)) {
        setError(error, "not UTF-8");
        return std::nullopt;
    }
    if (text.find('\0') != std::string_view::npos) {
        setError(error, "holds a NUL byte");
        return std::nullopt;
    }
    DesktopEntry entry;
    bool sawMainGroup = false;
    bool inMainGroup = false;
    while (!text.empty()) {
        auto newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        line = trim(line);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            if (line.back() != ']') {
                setError(error, "broken group header");
                return std::nullopt;
            }
            inMainGroup = line == "[Desktop Entry]";
            if (inMainGroup && sawMainGroup) {
                setError(error, "two [Desktop Entry] groups");
                return std::nullopt;
            }
            sawMainGroup = sawMainGroup || inMainGroup;
            continue;
        }
        auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            setError(error, "a line that is neither a group, a key nor a comment");
            return std::nullopt;
        }
        if (!inMainGroup) continue;
        std::string_view key = trim(line.substr(0, equals));
        if (key.empty() || key.find('[') != std::string_view::npos) continue;
        // The first definition counts.
        entry.keys_.try_emplace(std::string(key), unescape(trim(line.substr(equals + 1))));
    }
    if (!sawMainGroup) {
        setError(error, "no [Desktop Entry] group");
        return std::nullopt;
    }
    return entry;
}

std::optional<DesktopEntry> DesktopEntry::read(const std::string& path, std::string* error) {
    // Followed when a link: exported entries (Flatpak's among them) are links to the real ones.
    const kit::WholeFile file = kit::readWholeFile(path, kMaxBytes, kit::FileLinks::follow);
    using Failure = kit::WholeFile::Failure;
    switch (file.failure) {
        case Failure::none: return parse(file.bytes, error);
        case Failure::notRegular: setError(error, "not a regular file"); return std::nullopt;
        case Failure::tooLarge:
            setError(error, "larger than any desktop entry");
            return std::nullopt;
        case Failure::missing:
        case Failure::cannotOpen:
        case Failure::cannotRead: break;
    }
    setError(error, std::strerror(file.error));
    return std::nullopt;
}

std::optional<std::string> DesktopEntry::value(std::string_view key) const {
    auto it = keys_.find(std::string(key));
    if (it == keys_.end()) return std::nullopt;
    return it->second;
}

bool DesktopEntry::boolean(std::string_view key) const {
    auto v = value(key);
    return v && (*v == "true" || *v == "1");
}

std::optional<std::vector<std::string>> DesktopEntry::splitExec(std::string_view exec) {
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inArgument) args.push_back(std::move(current));
            current.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == '"') {
            // Inside quotes a backslash escapes ", `, $ and itself.
            bool closed = false;
            for (++i; i < exec.size(); ++i) {
                if (exec[i] == '"') {
                    closed = true;
                    break;
                }
                if (exec[i] == '\\' && i + 1 < exec.size() &&
                    std::strchr("\"`$\\", exec[i + 1]) != nullptr)
                    ++i;
                current += exec[i];
            }
            if (!closed) return std::nullopt;
            continue;
        }
        if (c == '%' && i + 1 < exec.size()) {
            const char code = exec[++i];
            if (code == '%') current += '%';
            // Field codes expand to file names, URLs or the icon at launch; none is the program.
            continue;
        }
        current += c;
    }
    if (inArgument) args.push_back(std::move(current));
    return args;
}

std::vector<std::string> DesktopEntry::execArguments() const {
    auto exec = value("Exec");
    if (!exec) return {};
    auto args = splitExec(*exec);
    if (!args) return {};
    args->erase(std::remove(args->begin(), args->end(), std::string()), args->end());
    return *args;
}

std::string DesktopEntry::program() const {
    auto args = execArguments();
    std::size_t i = 0;
    if (i < args.size() && kit::directoryName(args[i]) == "env") {
        ++i;
        while (i < args.size() &&
               (args[i].find('=') != std::string::npos || args[i].front() == '-')) {
            // Options that take the next argument as their value.
            const bool takesValue =
                args[i] == "-u" || args[i] == "--unset" || args[i] == "-C" || args[i] == "--chdir";
            i += takesValue ? 2 : 1;
        }
    }
    return i < args.size() ? args[i] : std::string();
}

}  // namespace orvane::apps
