#include <gio/gio.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

#include "GlibHome.h"
#include "platform/linux/DesktopFileBrowser.h"
#include "support/TempTree.h"

namespace orvane::platform {
namespace {

using orvane::testing::TempTree;

std::string uriOf(const std::string& path) {
    char* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    std::string result = uri ? uri : "";
    g_free(uri);
    return result;
}

// Waits for the handler `id` (a child process) to log that it was asked to open `path`. The
// launcher hands local files over as paths or as file URIs, depending on its version.
bool handlerWasCalledWith(const std::string& id, const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream in(testing::openedLog());
        for (std::string got; std::getline(in, got);)
            if (got == id + " " + path || got == id + " " + uriOf(path)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// A private message bus, so the tests never talk to the desktop session of whoever runs them.
class PrivateBus {
public:
    explicit PrivateBus(TempTree& tree) {
        const std::string config = tree.file(
            "bus.conf",
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>session</type><listen>unix:dir=" +
                tree.dir("bus") +
                "</listen>"
                "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
                "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>\n");
        GError* error = nullptr;
        process_ =
            g_subprocess_new(static_cast<GSubprocessFlags>(G_SUBPROCESS_FLAGS_STDOUT_PIPE |
                                                           G_SUBPROCESS_FLAGS_STDERR_SILENCE),
                             &error, "dbus-daemon", "--nofork", "--print-address=1",
                             ("--config-file=" + config).c_str(), nullptr);
        if (!process_) {
            g_clear_error(&error);
            return;
        }
        GDataInputStream* lines = g_data_input_stream_new(g_subprocess_get_stdout_pipe(process_));
        char* line = g_data_input_stream_read_line(lines, nullptr, nullptr, nullptr);
        if (line) address_ = line;
        g_free(line);
        g_object_unref(lines);
    }
    ~PrivateBus() {
        if (process_) {
            g_subprocess_force_exit(process_);
            g_subprocess_wait(process_, nullptr, nullptr);
            g_object_unref(process_);
        }
    }
    const std::string& address() const { return address_; }

private:
    GSubprocess* process_ = nullptr;
    std::string address_;
};

// A file manager on the private bus that records every ShowItems call.
class FakeFileManager {
public:
    explicit FakeFileManager(const std::string& address) {
        thread_ = std::thread([this, address] { run(address); });
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return state_ != State::starting; });
    }
    ~FakeFileManager() {
        if (loop_) g_main_loop_quit(loop_);
        thread_.join();
    }
    bool ready() {
        std::lock_guard lock(mutex_);
        return state_ == State::ready;
    }
    std::vector<std::string> shownUris() {
        std::lock_guard lock(mutex_);
        return shown_;
    }

private:
    enum class State { starting, ready, failed };

    void run(const std::string& address) {
        GMainContext* context = g_main_context_new();
        g_main_context_push_thread_default(context);
        loop_ = g_main_loop_new(context, FALSE);
        GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        bool ok = connection && registerObject(connection) && ownName(connection);
        {
            std::lock_guard lock(mutex_);
            state_ = ok ? State::ready : State::failed;
        }
        changed_.notify_all();
        if (ok) g_main_loop_run(loop_);
        if (connection) {
            g_dbus_connection_close_sync(connection, nullptr, nullptr);
            g_object_unref(connection);
        }
        g_main_context_pop_thread_default(context);
        g_main_loop_unref(loop_);
        g_main_context_unref(context);
    }

    bool registerObject(GDBusConnection* connection) {
        static const char* kXml =
            "<node><interface name='org.freedesktop.FileManager1'>"
            "<method name='ShowItems'><arg type='as' name='uris' direction='in'/>"
            "<arg type='s' name='startupId' direction='in'/></method>"
            "</interface></node>";
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kXml, nullptr);
        static const GDBusInterfaceVTable vtable = {
            [](GDBusConnection*, const char*, const char*, const char*, const char*,
               GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self) {
                auto* manager = static_cast<FakeFileManager*>(self);
                GVariantIter* uris = nullptr;
                const char* startup = nullptr;
                g_variant_get(parameters, "(as&s)", &uris, &startup);
                const char* uri = nullptr;
                std::lock_guard lock(manager->mutex_);
                while (g_variant_iter_next(uris, "&s", &uri)) manager->shown_.emplace_back(uri);
                g_variant_iter_free(uris);
                g_dbus_method_invocation_return_value(invocation, nullptr);
            },
            nullptr,
            nullptr,
            {}};
        const guint id =
            g_dbus_connection_register_object(connection, "/org/freedesktop/FileManager1",
                                              node->interfaces[0], &vtable, this, nullptr, nullptr);
        g_dbus_node_info_unref(node);
        return id != 0;
    }

    static bool ownName(GDBusConnection* connection) {
        GVariant* reply = g_dbus_connection_call_sync(
            connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "RequestName",
            g_variant_new("(su)", "org.freedesktop.FileManager1", 4u /* do not queue */),
            G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
        if (!reply) return false;
        guint32 result = 0;
        g_variant_get(reply, "(u)", &result);
        g_variant_unref(reply);
        return result == 1;  // primary owner
    }

    std::thread thread_;
    GMainLoop* loop_ = nullptr;
    std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::starting;
    std::vector<std::string> shown_;
};

class FileBrowserTest : public ::testing::Test {
protected:
    TempTree tree;
};

TEST_F(FileBrowserTest, RevealAsksTheFileManagerOnTheBus) {
    PrivateBus bus(tree);
    if (bus.address().empty()) GTEST_SKIP() << "dbus-daemon is not available";
    FakeFileManager manager(bus.address());
    ASSERT_TRUE(manager.ready());
    const std::string file = tree.file("Photos/beach day.jpg", "jpg");

    DesktopFileBrowser browser(bus.address());
    Outcome shown = browser.reveal(file);
    ASSERT_TRUE(shown.ok()) << shown.error;
    EXPECT_EQ(manager.shownUris(), std::vector<std::string>{uriOf(file)});
    EXPECT_NE(uriOf(file).find("beach%20day.jpg"), std::string::npos);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::ifstream log(testing::openedLog());
    EXPECT_FALSE(log.good()) << "the folder was opened although the file manager answered";

    const std::string odd = tree.file(std::string("Photos/\xff\xfe.jpg"), "raw bytes");
    ASSERT_TRUE(browser.reveal(odd).ok());
    EXPECT_EQ(manager.shownUris().back(), uriOf(odd)) << "non-UTF-8 bytes travel escaped";
}

TEST_F(FileBrowserTest, RevealFallsBackToOpeningTheFolder) {
    PrivateBus bus(tree);
    if (bus.address().empty()) GTEST_SKIP() << "dbus-daemon is not available";
    const std::string file = tree.file("Reports/q3.txt", "numbers");
    DesktopFileBrowser browser(bus.address(), 500);  // nobody owns FileManager1 on this bus
    Outcome shown = browser.reveal(file);
    ASSERT_TRUE(shown.ok()) << shown.error;
    EXPECT_TRUE(handlerWasCalledWith("orvane-test-folders", tree.path("Reports")));
}

TEST_F(FileBrowserTest, RevealWithoutAnyBusStillOpensTheFolder) {
    const std::string file = tree.file("Music/song.txt", "la");
    DesktopFileBrowser browser("unix:path=" + tree.path("no-bus-here"), 500);
    ASSERT_TRUE(browser.reveal(file).ok());
    EXPECT_TRUE(handlerWasCalledWith("orvane-test-folders", tree.path("Music")));
}

TEST_F(FileBrowserTest, OpenUsesTheDefaultApplication) {
    const std::string file = tree.file("Notes/todo list.txt", "milk\n");
    DesktopFileBrowser browser("unix:path=" + tree.path("no-bus-here"));
    Outcome opened = browser.open(file);
    ASSERT_TRUE(opened.ok()) << opened.error;
    EXPECT_TRUE(handlerWasCalledWith("orvane-test-files", file));
}

TEST_F(FileBrowserTest, MissingItemsAreReportedByName) {
    DesktopFileBrowser browser("unix:path=" + tree.path("no-bus-here"), 200);
    Outcome reveal = browser.reveal(tree.path("gone/report.pdf"));
    EXPECT_FALSE(reveal.ok());
    EXPECT_NE(reveal.error.find("report.pdf"), std::string::npos) << reveal.error;
    Outcome open = browser.open(tree.path("gone/report.pdf"));
    EXPECT_FALSE(open.ok());
    EXPECT_NE(open.error.find("report.pdf"), std::string::npos) << open.error;
}

}  // namespace
}  // namespace orvane::platform
