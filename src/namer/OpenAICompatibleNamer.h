#pragma once

#include <string>
#include <string_view>

#include "namer/NamerBackend.h"

namespace orvane::namer {

// Asks an OpenAI-compatible chat-completions endpoint (Ollama, llama.cpp's server, LM Studio,
// vLLM or a hosted service) for the name, then cleans its answer into a safe file name.
class OpenAICompatibleNamer : public NamerBackend {
public:
    struct Config {
        std::string url;  // base ("http://localhost:11434/v1") or the full completions URL
        std::string model;
        std::string apiKey;                       // sent as a bearer token when set
        std::size_t maxContentCharacters = 6000;  // what fits a small model's context
        long timeoutSeconds = 50;                 // inside the client's own 60 seconds
    };

    explicit OpenAICompatibleNamer(Config config) : config_(std::move(config)) {}

    NameSuggestion suggest(const NameRequest& request) const override;

    // The chat-completions request body for a naming request.
    std::string requestBody(const NameRequest& request) const;
    std::string completionsURL() const;
    // The model's reply made into a file name: reasoning blocks, quotes, labels, extensions
    // and anything unsafe removed.
    static std::string cleanAnswer(std::string_view answer, std::string_view extension);

private:
    Config config_;
};

}  // namespace orvane::namer
