#pragma once

#include <memory>
#include <string>

#include "namer/NamerBackend.h"

namespace orvane::namer {

class NamerServer;

// Where the renamer sends its requests. A configured address wins (the ORVANE_RENAME_SERVICE
// variable, then the "RenameServiceURL" default); otherwise the built-in namer is started on a
// free loopback port for as long as this object lives, so renaming works with no network.
class NameService {
public:
    NameService();
    ~NameService();
    NameService(const NameService&) = delete;
    NameService& operator=(const NameService&) = delete;

    // The address to use; empty with `error` set when the local namer cannot start.
    std::string url(const std::string& explicitURL, std::string& error);

    static std::string configuredURL();
    // The back end the local namer uses: an OpenAI-compatible endpoint when ORVANE_NAMER_URL
    // (with ORVANE_NAMER_MODEL and ORVANE_NAMER_API_KEY) is set, else the built-in one.
    static std::shared_ptr<const NamerBackend> backendFromEnvironment();

private:
    std::unique_ptr<NamerServer> local_;
};

}  // namespace orvane::namer
