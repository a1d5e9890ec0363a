#pragma once

#include <httplib.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>

namespace orvane::testing {

// A real HTTP server on 127.0.0.1 and a free port, serving on its own thread for the life of
// the object. Tests add handlers to server() before calling start().
class LocalHttpServer {
public:
    LocalHttpServer() = default;
    ~LocalHttpServer() {
        server_.stop();
        if (thread_.joinable()) thread_.join();
    }
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    httplib::Server& server() { return server_; }

    void start() {
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // A stop() before the loop runs would be lost and the join would hang.
        for (int i = 0; i < 5000 && !server_.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    int port() const { return port_; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
};

}  // namespace orvane::testing
