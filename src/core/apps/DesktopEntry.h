#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orvane::apps {

// The main group of a freedesktop desktop entry, as far as listing applications needs it.
// Entries come from packages, flatpak and snapd exports and from whatever a user or a script
// dropped into ~/.local/share/applications, so reading one never trusts it: a file that is
// not UTF-8, not a desktop entry or larger than any real one is refused with a reason.
class DesktopEntry {
public:
    static constexpr std::size_t kMaxBytes = 1 << 20;

    // Parses the text of an entry; nothing (and `error` set) when it cannot be one.
    static std::optional<DesktopEntry> parse(std::string_view text, std::string* error = nullptr);
    // Reads and parses a file (following a symbolic link, as exported entries are links).
    static std::optional<DesktopEntry> read(const std::string& path, std::string* error = nullptr);

    // The unescaped value of a key of the [Desktop Entry] group; locale variants are not kept.
    std::optional<std::string> value(std::string_view key) const;
    std::string string(std::string_view key) const { return value(key).value_or(std::string()); }
    bool boolean(std::string_view key) const;

    std::string type() const { return string("Type"); }
    std::string name() const { return string("Name"); }
    std::string icon() const { return string("Icon"); }
    bool noDisplay() const { return boolean("NoDisplay"); }
    bool hidden() const { return boolean("Hidden"); }

    // The Exec line split into arguments by the entry quoting rules, field codes dropped.
    std::vector<std::string> execArguments() const;
    // The program the entry starts: the first argument, after an "env VAR=value ..." prefix.
    std::string program() const;

    // Splits an Exec value (already unescaped as a string) into arguments; nothing when its
    // quoting is broken.
    static std::optional<std::vector<std::string>> splitExec(std::string_view exec);

private:
    // Hashed: a hostile entry may hold a hundred thousand keys.
    std::unordered_map<std::string, std::string> keys_;
};

}  // namespace orvane::apps
