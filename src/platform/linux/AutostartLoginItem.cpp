#include "platform/linux/AutostartLoginItem.h"

#include <glib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "kit/Localization.h"
#include "kit/Paths.h"
#include "platform/AtomicFile.h"

namespace orvane::platform {

namespace {

constexpr const char* kGroup = "Desktop Entry";

struct KeyFileDeleter {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileDeleter>;

// One argument of an Exec line: quoted when it holds a character the launcher would split or
// interpret, with ", `, $ and \ escaped inside the quotes; a literal % is doubled because the
// launcher expands %-codes.
std::string execArgument(const std::string& argument) {
    static constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string escaped;
    bool quote = argument.empty();
    for (char c : argument) {
        if (kReserved.find(c) != std::string_view::npos) quote = true;
        if (c == '"' || c == '`' || c == '$' || c == '\\') escaped.push_back('\\');
        escaped.push_back(c);
        if (c == '%') escaped.push_back('%');
    }
    return quote ? "\"" + escaped + "\"" : escaped;
}

}  // namespace

AutostartLoginItem::AutostartLoginItem(std::string entryFile, std::string programPath)
    : entryFile_(std::move(entryFile)), programPath_(std::move(programPath)) {}

std::string AutostartLoginItem::execLine(const std::string& programPath) {
    return execArgument(programPath) + " --background";
}

Outcome AutostartLoginItem::setEnabled(bool enabled) {
    if (!enabled) {
        if (::unlink(entryFile_.c_str()) == 0 || errno == ENOENT) return Outcome::success();
        return Outcome::failure(kit::formatLocalized(
            "Orvane could not be removed from the login items: %@", {std::strerror(errno)}));
    }
    KeyFile file(g_key_file_new());
    g_key_file_set_string(file.get(), kGroup, "Type", "Application");
    g_key_file_set_string(file.get(), kGroup, "Name", std::string(kit::mainAppName).c_str());
    g_key_file_set_string(file.get(), kGroup, "Exec", execLine(programPath_).c_str());
    // A session skips the entry quietly once the program is uninstalled, instead of failing.
    g_key_file_set_string(file.get(), kGroup, "TryExec", programPath_.c_str());
    g_key_file_set_string(file.get(), kGroup, "Icon", std::string(kit::mainAppBundleID).c_str());
    g_key_file_set_boolean(file.get(), kGroup, "Terminal", FALSE);
    g_key_file_set_boolean(file.get(), kGroup, "X-GNOME-Autostart-enabled", TRUE);
    gsize length = 0;
    char* data = g_key_file_to_data(file.get(), &length, nullptr);
    Outcome written = writeFileAtomically(entryFile_, std::string_view(data, length));
    g_free(data);
    if (!written) {
        return Outcome::failure(kit::formatLocalized(
            "Orvane could not be added to the login items: %@", {written.error}));
    }
    return written;
}

bool AutostartLoginItem::isEnabled() const {
    KeyFile file(g_key_file_new());
    if (!g_key_file_load_from_file(file.get(), entryFile_.c_str(), G_KEY_FILE_NONE, nullptr))
        return false;
    if (!g_key_file_has_group(file.get(), kGroup)) return false;
    auto flag = [&](const char* key, bool fallback) {
        GError* error = nullptr;
        const gboolean value = g_key_file_get_boolean(file.get(), kGroup, key, &error);
        if (error) {
            g_error_free(error);
            return fallback;
        }
        return value != FALSE;
    };
    return !flag("Hidden", false) && flag("X-GNOME-Autostart-enabled", true);
}

}  // namespace orvane::platform
