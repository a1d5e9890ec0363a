#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace orvane::apps {

// When each program last opened a file, from the desktop's recently-used.xbel: every
// application that registered a file leaves its name, the command it was started with and a
// time stamp there.
class RecentlyUsed {
public:
    // Reads the file; an absent, unreadable or damaged file knows nothing.
    static RecentlyUsed load(const std::string& path);
    // Parses the document's bytes.
    static RecentlyUsed parse(std::string_view xml);

    // The latest time (seconds since 1970) any of these keys was seen, or 0. Keys are matched
    // without regard to case: application names as registered ("Text Editor"), program names
    // of the recorded commands ("gedit") and flatpak ids named in them.
    double lastUsed(std::initializer_list<std::string_view> keys) const;
    double lastUsed(const std::string& key) const;

    std::size_t size() const { return latest_.size(); }

private:
    void note(std::string_view key, double stamp);
    std::unordered_map<std::string, double> latest_;
};

}  // namespace orvane::apps
