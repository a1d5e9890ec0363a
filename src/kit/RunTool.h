#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::kit {

// The outcome of a package tool (flatpak, snap, apt-get) run to its end.
struct ToolResult {
    bool started = false;   // false: the tool is not installed or could not be run (see error)
    bool stopped = false;   // ended early because the caller asked
    bool timedOut = false;  // killed after the time limit
    int exitCode = -1;      // the exit status, or -1 when it ended by a signal
    std::string output;     // standard output
    std::string errorText;  // standard error: where these tools explain a refusal
    std::string error;      // why it could not be started, for the log
};

struct ToolOptions {
    std::chrono::milliseconds timeout = std::chrono::minutes(30);
    // Called for every line either stream completes; a carriage return ends a line too, since
    // progress bars redraw themselves with one.
    std::function<void(std::string_view line, bool fromErrorStream)> onLine;
    // Polled while the tool runs; when set the tool gets SIGTERM, then SIGKILL.
    const std::atomic<bool>* stop = nullptr;
    std::size_t maxOutput = std::size_t(16) << 20;
};

// Runs `program` (a path, or a name looked up on PATH) with `arguments`, no shell and standard
// input from /dev/null, collecting both output streams separately.
ToolResult runTool(const std::string& program, const std::vector<std::string>& arguments,
                   const ToolOptions& options = {});

}  // namespace orvane::kit
