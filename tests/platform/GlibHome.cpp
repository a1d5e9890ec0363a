#include "GlibHome.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace orvane::platform::testing {

namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

struct PrivateHome {
    std::string root;

    PrivateHome() {
        std::string tmpl = (fs::temp_directory_path() / "orvane-glib-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        root = tmpl;
        const std::string home = root + "/home";
        fs::create_directories(home);
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (home + "/.local/state").c_str(), 1);
        ::setenv("XDG_CONFIG_DIRS", (root + "/etc-xdg").c_str(), 1);
        // The system's mime database stays visible so content types resolve; handlers come
        // from the private folder first and the defaults below pick them.
        ::setenv("XDG_DATA_DIRS", (root + "/share:/usr/share").c_str(), 1);
        ::setenv("GIO_USE_VFS", "local", 1);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");

        // Handlers that record what they were asked to open, one line per call.
        const std::string log = root + "/opened.log";
        const std::string apps = home + "/.local/share/applications";
        for (const char* id : {"orvane-test-folders", "orvane-test-files"}) {
            writeFile(apps + "/" + id + ".desktop",
                      "[Desktop Entry]\nType=Application\nName=" + std::string(id) +
                          "\nExec=/bin/sh -c 'echo \"" + id + " $1\" >> " + log +
                          "' sh %u\nMimeType=inode/directory;text/plain;\nNoDisplay=true\n");
        }
        writeFile(home + "/.config/mimeapps.list",
                  "[Default Applications]\ninode/directory=orvane-test-folders.desktop\n"
                  "text/plain=orvane-test-files.desktop\n");
    }

    ~PrivateHome() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

PrivateHome& privateHome() {
    static PrivateHome home;
    return home;
}

// Runs at static initialisation, before any test and so before GLib's first look at the
// environment.
const bool kInstalled = (privateHome(), true);

}  // namespace

const std::string& glibRoot() { return privateHome().root; }

std::string openedLog() { return privateHome().root + "/opened.log"; }

}  // namespace orvane::platform::testing
