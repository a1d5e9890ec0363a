#include "namer/NamerServer.h"

#include <httplib.h>

#include <chrono>
#include <nlohmann/json.hpp>

#include "kit/Log.h"

namespace orvane::namer {

namespace {

constexpr const char* kPath = "/api/v1/ai/generate-filename";
// A 50 MiB image grows by a third in Base64, plus the JSON around it.
constexpr std::size_t kMaxBody = 72ull * 1024 * 1024;

std::string reply(bool success, const std::string& message, const std::string& name) {
    const nlohmann::json j = {
        {"data", {{"success", success}, {"message", message}, {"suggested_name", name}}}};
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

NamerServer::NamerServer(std::shared_ptr<const NamerBackend> backend)
    : backend_(std::move(backend)), server_(std::make_unique<httplib::Server>()) {
    server_->set_payload_max_length(kMaxBody);
    server_->set_read_timeout(30, 0);
    server_->set_write_timeout(30, 0);
    auto backend_ptr = backend_;
    server_->Post(kPath, [backend_ptr](const httplib::Request& req, httplib::Response& res) {
        auto [status, body] = answer(*backend_ptr, req.body);
        res.status = status;
        res.set_content(body, "application/json");
    });
    server_->Get("/health", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("{\"status\":\"ok\"}", "application/json");
    });
}

NamerServer::~NamerServer() { stop(); }

std::pair<int, std::string> NamerServer::answer(const NamerBackend& backend,
                                                const std::string& body) {
    std::string error;
    const auto request = NameRequest::fromJSON(body, error);
    if (!request) return {400, reply(false, error, "")};
    NameSuggestion suggestion;
    try {
        suggestion = backend.suggest(*request);
    } catch (const std::exception& e) {
        suggestion =
            NameSuggestion::failure(std::string("The name could not be made: ") + e.what());
    }
    if (!suggestion.ok()) {
        ORVANE_LOG("namer: no name: " + suggestion.error);
        return {200, reply(false, suggestion.error, "")};
    }
    return {200, reply(true, "", suggestion.name)};
}

bool NamerServer::bind(const std::string& host, int port, std::string& error) {
    host_ = host;
    if (port == 0) {
        port_ = server_->bind_to_any_port(host);
        if (port_ <= 0) {
            error = "No free port could be bound on " + host + ".";
            return false;
        }
    } else {
        if (!server_->bind_to_port(host, port)) {
            error = "Port " + std::to_string(port) + " on " + host + " cannot be bound.";
            return false;
        }
        port_ = port;
    }
    return true;
}

bool NamerServer::start(const std::string& host, int port, std::string& error) {
    if (!bind(host, port, error)) return false;
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // A stop() before the accept loop runs would be lost and the join would hang.
    for (int i = 0; i < 5000 && !server_->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

bool NamerServer::run(const std::string& host, int port, std::string& error) {
    if (!bind(host, port, error)) return false;
    return server_->listen_after_bind();
}

void NamerServer::stop() {
    if (server_) server_->stop();
    if (thread_.joinable()) thread_.join();
}

std::string NamerServer::baseURL() const {
    const bool v6 = host_.find(':') != std::string::npos;
    return "http://" + (v6 ? "[" + host_ + "]" : host_) + ":" + std::to_string(port_);
}

}  // namespace orvane::namer
