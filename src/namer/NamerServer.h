#pragma once

#include <memory>
#include <string>
#include <thread>

#include "namer/NamerBackend.h"

namespace httplib {
class Server;
}

namespace orvane::namer {

// The name service over HTTP: answers POST "/api/v1/ai/generate-filename" with
// {"data":{"success","message","suggested_name"}}, on a loopback address by default.
class NamerServer {
public:
    explicit NamerServer(std::shared_ptr<const NamerBackend> backend);
    ~NamerServer();
    NamerServer(const NamerServer&) = delete;
    NamerServer& operator=(const NamerServer&) = delete;

    // Binds (port 0 picks a free one) and serves on a thread of its own. False with `error` set
    // when the address cannot be bound.
    bool start(const std::string& host, int port, std::string& error);
    // Serves on the calling thread until stop() (for `orvane namer serve`).
    bool run(const std::string& host, int port, std::string& error);
    void stop();

    int port() const { return port_; }
    std::string baseURL() const;

    // The answer to one request body: HTTP status and JSON body. Public so that the decoding of
    // requests can be tested and fuzzed without a socket.
    static std::pair<int, std::string> answer(const NamerBackend& backend, const std::string& body);

private:
    bool bind(const std::string& host, int port, std::string& error);

    std::shared_ptr<const NamerBackend> backend_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    std::string host_;
    int port_ = 0;
};

}  // namespace orvane::namer
