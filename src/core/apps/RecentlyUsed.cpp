#include "core/apps/RecentlyUsed.h"

#include <glib.h>

#include <algorithm>
#include <cctype>
#include <fstream>

#include "core/apps/AppIdentifiers.h"
#include "core/apps/DesktopEntry.h"
#include "kit/Paths.h"

namespace orvane::apps {

namespace {

// A busy desktop's file holds a few thousand entries; a file far larger is not one to trust.
constexpr std::size_t kMaxBytes = 64 << 20;

std::string lowercase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

void RecentlyUsed::note(std::string_view key, double stamp) {
    if (key.empty()) return;
    double& latest = latest_[lowercase(key)];
    latest = std::max(latest, stamp);
}

RecentlyUsed RecentlyUsed::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::string bytes(kMaxBytes + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::size_t>(in.gcount()) > kMaxBytes) return {};
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return parse(bytes);
}

RecentlyUsed RecentlyUsed::parse(std::string_view xml) {
    RecentlyUsed result;
    if (xml.empty() || xml.size() > kMaxBytes) return result;
    GBookmarkFile* file = g_bookmark_file_new();
    if (!g_bookmark_file_load_from_data(file, xml.data(), xml.size(), nullptr)) {
        g_bookmark_file_free(file);
        return result;
    }
    gsize uriCount = 0;
    gchar** uris = g_bookmark_file_get_uris(file, &uriCount);
    for (gsize u = 0; u < uriCount; ++u) {
        gsize appCount = 0;
        gchar** names = g_bookmark_file_get_applications(file, uris[u], &appCount, nullptr);
        for (gsize a = 0; names && a < appCount; ++a) {
            char* exec = nullptr;
            GDateTime* stamp = nullptr;
            if (!g_bookmark_file_get_application_info(file, uris[u], names[a], &exec, nullptr,
                                                      &stamp, nullptr))
                continue;
            const double seconds = stamp ? static_cast<double>(g_date_time_to_unix(stamp)) : 0;
            result.note(names[a], seconds);
            // The command is stored quoted ("'gedit %u'"); its program and, for a flatpak,
            // the application id it runs identify the application too.
            std::string command = exec ? exec : "";
            if (command.size() >= 2 && command.front() == '\'' && command.back() == '\'')
                command = command.substr(1, command.size() - 2);
            if (auto args = DesktopEntry::splitExec(command); args && !args->empty()) {
                result.note(kit::directoryName((*args)[0]), seconds);
                for (const std::string& arg : *args)
                    if (isFlatpakAppId(arg)) result.note(arg, seconds);
            }
            g_free(exec);
        }
        g_strfreev(names);
    }
    g_strfreev(uris);
    g_bookmark_file_free(file);
    return result;
}

double RecentlyUsed::lastUsed(std::initializer_list<std::string_view> keys) const {
    double latest = 0;
    for (std::string_view key : keys) {
        if (key.empty()) continue;
        auto it = latest_.find(lowercase(key));
        if (it != latest_.end()) latest = std::max(latest, it->second);
    }
    return latest;
}

double RecentlyUsed::lastUsed(const std::string& key) const {
    return lastUsed({std::string_view(key)});
}

}  // namespace orvane::apps
