#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/renamer/AIRenameFileModel.h"
#include "core/renamer/NetworkError.h"

namespace orvane::renamer {

// The outcome of one name request: a suggested name or the error.
struct RenameResult {
    std::optional<std::string> suggestedName;
    NetworkError error;
    bool ok() const { return suggestedName.has_value(); }
};

// The name-suggestion call: one JSON POST to the service, one JSON answer.
class RenameRequest {
public:
    static constexpr const char* kPath = "/api/v1/ai/generate-filename";
    static constexpr long kTimeoutSeconds = 60;
    // Answers larger than this are not names; the transfer is cut off.
    static constexpr std::size_t kMaxResponseBytes = 1024 * 1024;

    // The seven-member body for a file. Text that is not valid UTF-8 is sent with U+FFFD.
    static std::string body(const AIRenameFileModel& file);
    // Turns a status and a body into the result, as the service's contract defines them.
    static RenameResult decode(long status, std::string_view body);
    // Sends the request and waits for the answer (callers run this off the main thread).
    // `baseURL` is the service's address, e.g. "http://127.0.0.1:8080".
    static RenameResult aiFileRename(const std::string& baseURL, const AIRenameFileModel& file,
                                     long timeoutSeconds = kTimeoutSeconds);
};

}  // namespace orvane::renamer
