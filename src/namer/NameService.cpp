#include "namer/NameService.h"

#include <cstdlib>

#include "core/settings/UserDefaults.h"
#include "namer/BuiltinNamer.h"
#include "namer/NamerServer.h"
#include "namer/OpenAICompatibleNamer.h"

namespace orvane::namer {

namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

}  // namespace

NameService::NameService() = default;
NameService::~NameService() = default;

std::string NameService::configuredURL() {
    if (std::string v = env("ORVANE_RENAME_SERVICE"); !v.empty()) return v;
    return settings::UserDefaults::standard().stringForKey("RenameServiceURL").value_or("");
}

std::shared_ptr<const NamerBackend> NameService::backendFromEnvironment() {
    if (std::string url = env("ORVANE_NAMER_URL"); !url.empty()) {
        OpenAICompatibleNamer::Config config;
        config.url = url;
        config.model = env("ORVANE_NAMER_MODEL");
        config.apiKey = env("ORVANE_NAMER_API_KEY");
        return std::make_shared<OpenAICompatibleNamer>(config);
    }
    return std::make_shared<BuiltinNamer>();
}

std::string NameService::url(const std::string& explicitURL, std::string& error) {
    if (!explicitURL.empty()) return explicitURL;
    if (std::string configured = configuredURL(); !configured.empty()) return configured;
    if (!local_) {
        auto server = std::make_unique<NamerServer>(backendFromEnvironment());
        if (!server->start("127.0.0.1", 0, error)) return {};
        local_ = std::move(server);
    }
    return local_->baseURL();
}

}  // namespace orvane::namer
