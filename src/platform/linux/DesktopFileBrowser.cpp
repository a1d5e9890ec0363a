#include "platform/linux/DesktopFileBrowser.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::platform {

namespace {

struct GFreeDeleter {
    void operator()(gpointer memory) const { g_free(memory); }
};
using OwnedText = std::unique_ptr<char, GFreeDeleter>;

struct GObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using Connection = std::unique_ptr<GDBusConnection, GObjectDeleter>;

std::string takeMessage(GError*& error) {
    std::string message = error ? error->message : "";
    g_clear_error(&error);
    return message;
}

// File URIs escape every byte that is not plain ASCII, so names that are not UTF-8 survive.
std::string fileUri(const std::string& absolutePath) {
    OwnedText uri(g_filename_to_uri(absolutePath.c_str(), nullptr, nullptr));
    return uri ? std::string(uri.get()) : std::string();
}

std::string launchDefault(const std::string& uri) {
    GError* error = nullptr;
    if (g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error)) return {};
    std::string message = takeMessage(error);
    return message.empty() ? kit::localized("No application is set to open it.") : message;
}

}  // namespace

DesktopFileBrowser::DesktopFileBrowser(std::string busAddress, int timeoutMs)
    : busAddress_(std::move(busAddress)), timeoutMs_(timeoutMs) {}

std::string DesktopFileBrowser::showItemsOverBus(const std::string& uri) const {
    GError* error = nullptr;
    Connection connection(
        busAddress_.empty()
            ? g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error)
            : g_dbus_connection_new_for_address_sync(
                  busAddress_.c_str(),
                  static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                    G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                  nullptr, nullptr, &error));
    if (!connection) return takeMessage(error);

    GVariantBuilder uris;
    g_variant_builder_init(&uris, G_VARIANT_TYPE("as"));
    g_variant_builder_add(&uris, "s", uri.c_str());
    GVariant* reply = g_dbus_connection_call_sync(
        connection.get(), "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
        "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(ass)", &uris, ""), nullptr,
        G_DBUS_CALL_FLAGS_NONE, timeoutMs_, nullptr, &error);
    if (!reply) return takeMessage(error);
    g_variant_unref(reply);
    return {};
}

Outcome DesktopFileBrowser::reveal(const std::string& path) {
    const std::string full = kit::absolutePath(path);
    const std::string name = kit::displayPath(kit::directoryName(full));
    struct stat st {};
    if (::lstat(full.c_str(), &st) != 0) {
        return Outcome::failure(kit::formatLocalized(
            "“%@” could not be shown in the file manager: %@", {name, std::strerror(errno)}));
    }
    const std::string busError = showItemsOverBus(fileUri(full));
    if (busError.empty()) return Outcome::success();
    ORVANE_LOG("no file manager answered ShowItems: " + busError);

    // No file manager on the bus: the folder alone is still a useful answer.
    const std::string folderError = launchDefault(fileUri(kit::parentPath(full)));
    if (folderError.empty()) return Outcome::success();
    return Outcome::failure(kit::formatLocalized("“%@” could not be shown in the file manager: %@",
                                                 {name, folderError}));
}

Outcome DesktopFileBrowser::open(const std::string& path) {
    const std::string full = kit::absolutePath(path);
    const std::string name = kit::displayPath(kit::directoryName(full));
    struct stat st {};
    if (::stat(full.c_str(), &st) != 0) {
        return Outcome::failure(
            kit::formatLocalized("“%@” could not be opened: %@", {name, std::strerror(errno)}));
    }
    const std::string error = launchDefault(fileUri(full));
    if (error.empty()) return Outcome::success();
    return Outcome::failure(kit::formatLocalized("“%@” could not be opened: %@", {name, error}));
}

}  // namespace orvane::platform
