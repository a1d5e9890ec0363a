#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "core/support/ReleaseFeed.h"

namespace orvane::support {

struct UpdateCheckResult {
    enum class Status { upToDate, updateAvailable, failed };
    Status status = Status::failed;
    std::string error;  // a sentence for the user when failed
    std::optional<ReleaseFeed> release;
};

// Fetches the release feed over HTTP(S) and compares its version with ours. Blocking: call it
// off the main thread. Bounded in time and size, so a server that stalls or floods ends in a
// clear failure instead of a hang.
class UpdateChecker {
public:
    struct Options {
        std::string feedURL;
        std::string currentVersion;
        long connectTimeoutMs = 5000;
        long timeoutMs = 15000;
        std::size_t maxBytes = 1 << 20;
        const std::atomic<bool>* stop = nullptr;  // ends the transfer early when set
    };

    static UpdateCheckResult check(const Options& options);
};

}  // namespace orvane::support
