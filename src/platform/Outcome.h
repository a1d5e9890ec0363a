#pragma once

#include <string>
#include <utility>

namespace orvane::platform {

// The result of a platform operation that either works or fails with a message for the user.
struct Outcome {
    std::string error;  // empty when the operation worked

    bool ok() const { return error.empty(); }
    explicit operator bool() const { return ok(); }

    static Outcome success() { return {}; }
    static Outcome failure(std::string message) {
        if (message.empty()) message = "The operation could not be completed.";
        return Outcome{std::move(message)};
    }
};

}  // namespace orvane::platform
