#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace orvane::kit {

// The outcome of running a command-line tool to completion.
struct ProcessResult {
    bool started = false;   // false: the program could not be run at all (see error)
    bool timedOut = false;  // killed after the time limit
    int exitCode = -1;      // the exit status, or -1 when it ended by a signal
    std::string output;     // everything it wrote to standard output (up to the cap)
    std::string error;      // why it could not be started, for the log
};

// Runs `program` (a path, or a name looked up on PATH) with `arguments` and no shell, standard
// input from /dev/null and standard error discarded, and collects its standard output. A tool
// that runs past `timeout` is killed; output beyond `maxOutput` bytes is read and dropped so the
// tool never blocks on a full pipe.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         std::chrono::milliseconds timeout = std::chrono::seconds(30),
                         std::size_t maxOutput = std::size_t(64) << 20);

}  // namespace orvane::kit
