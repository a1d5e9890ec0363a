#pragma once

#include "namer/NameRequest.h"

namespace orvane::namer {

// One way of turning a request into a name. Called from the server's worker threads.
class NamerBackend {
public:
    virtual ~NamerBackend() = default;
    virtual NameSuggestion suggest(const NameRequest& request) const = 0;
};

}  // namespace orvane::namer
