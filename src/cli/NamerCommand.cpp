// `orvane namer serve [--host H] [--port N] [--openai-url URL --model M]`: the name service the
// renamer asks, as a server of its own, for other machines or programs to share.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "namer/BuiltinNamer.h"
#include "namer/NameService.h"
#include "namer/NamerServer.h"
#include "namer/OpenAICompatibleNamer.h"

namespace orvane::cli {

namespace {

struct Options {
    std::string host = "127.0.0.1";
    int port = 8765;
    std::string openaiURL;
    std::string model;
};

namer::NamerServer* gServer = nullptr;

extern "C" void onServeInterrupt(int) {
    // httplib's stop only closes the listening socket and sets a flag: safe enough here.
    if (gServer) gServer->stop();
}

int serve(const Options& o) {
    std::shared_ptr<const namer::NamerBackend> backend;
    if (!o.openaiURL.empty()) {
        namer::OpenAICompatibleNamer::Config config;
        config.url = o.openaiURL;
        config.model = o.model;
        // The key stays out of the process list: it only comes from the environment.
        if (const char* key = std::getenv("ORVANE_NAMER_API_KEY")) config.apiKey = key;
        backend = std::make_shared<namer::OpenAICompatibleNamer>(config);
    } else {
        backend = namer::NameService::backendFromEnvironment();
    }
    namer::NamerServer server(backend);
    gServer = &server;
    auto previous = std::signal(SIGINT, onServeInterrupt);
    auto previousTerm = std::signal(SIGTERM, onServeInterrupt);
    std::string error;
    std::fprintf(stderr, "orvane namer: serving on http://%s:%d/api/v1/ai/generate-filename\n",
                 o.host.c_str(), o.port);
    const bool ok = server.run(o.host, o.port, error);
    std::signal(SIGINT, previous);
    std::signal(SIGTERM, previousTerm);
    gServer = nullptr;
    if (!ok && !error.empty()) {
        std::fprintf(stderr, "orvane namer: %s\n", error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace

void addNamerCommand(CLI::App& app, Action& action) {
    auto opts = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("namer", "The file-naming service the renamer asks");
    CLI::App* serveCmd = cmd->add_subcommand("serve", "Serve name suggestions over HTTP");
    cmd->require_subcommand(1);
    serveCmd->add_option("--host", opts->host, "Address to listen on (default 127.0.0.1)");
    serveCmd->add_option("--port", opts->port, "Port (default 8765; 0 picks a free one)")
        ->check(CLI::Range(0, 65535));
    serveCmd->add_option("--openai-url", opts->openaiURL,
                         "An OpenAI-compatible endpoint to ask instead of the built-in namer "
                         "(key from ORVANE_NAMER_API_KEY)");
    serveCmd->add_option("--model", opts->model, "The model to ask at --openai-url");
    serveCmd->callback([opts, &action] { action = [opts] { return serve(*opts); }; });
}

const SubcommandRegistration kRegistration{60, addNamerCommand};

}  // namespace orvane::cli
