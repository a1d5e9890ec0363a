#include "kit/RunTool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

extern char** environ;

namespace orvane::kit {

namespace {

// Splits what a stream delivers into lines as they complete.
class LineSplitter {
public:
    LineSplitter(const ToolOptions& options, bool errorStream)
        : options_(options), errorStream_(errorStream) {}

    void feed(std::string_view bytes) {
        if (!options_.onLine) return;
        for (char c : bytes) {
            if (c == '\n' || c == '\r') {
                flush();
            } else if (pending_.size() < 64 * 1024) {
                pending_.push_back(c);
            }
        }
    }
    void flush() {
        if (options_.onLine && !pending_.empty()) options_.onLine(pending_, errorStream_);
        pending_.clear();
    }

private:
    const ToolOptions& options_;
    bool errorStream_;
    std::string pending_;
};

}  // namespace

ToolResult runTool(const std::string& program, const std::vector<std::string>& arguments,
                   const ToolOptions& options) {
    ToolResult result;
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        result.error = std::strerror(errno);
        return result;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        result.error = std::strerror(errno);
        ::close(out[0]);
        ::close(out[1]);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int rc =
        program.find('/') == std::string::npos
            ? ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ)
            : ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (rc != 0) {
        ::close(out[0]);
        ::close(err[0]);
        result.error = std::strerror(rc);
        return result;
    }
    result.started = true;

    LineSplitter outLines(options, false), errLines(options, true);
    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    bool outOpen = true, errOpen = true, terminated = false;
    auto termAt = std::chrono::steady_clock::time_point::max();
    char buffer[65536];
    while (outOpen || errOpen) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline && !result.timedOut) {
            ::kill(pid, SIGKILL);
            result.timedOut = true;
        }
        if (options.stop && options.stop->load() && !terminated) {
            // A package manager interrupted by SIGTERM rolls its transaction back; SIGKILL only
            // if it does not end within a few seconds.
            ::kill(pid, SIGTERM);
            terminated = true;
            result.stopped = true;
            termAt = now + std::chrono::seconds(5);
        }
        if (terminated && now >= termAt) {
            ::kill(pid, SIGKILL);
            termAt = std::chrono::steady_clock::time_point::max();
        }
        pollfd fds[2] = {{outOpen ? out[0] : -1, POLLIN, 0}, {errOpen ? err[0] : -1, POLLIN, 0}};
        const int ready = ::poll(fds, 2, 200);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) continue;
        for (int k = 0; k < 2; ++k) {
            if (fds[k].fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t n = ::read(fds[k].fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                (k == 0 ? outOpen : errOpen) = false;
                continue;
            }
            std::string& into = k == 0 ? result.output : result.errorText;
            const std::string_view got(buffer, static_cast<std::size_t>(n));
            if (into.size() < options.maxOutput)
                into.append(got.substr(0, options.maxOutput - into.size()));
            (k == 0 ? outLines : errLines).feed(got);
        }
    }
    outLines.flush();
    errLines.flush();
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    // A program that could not be found after the fork reports 127 the way a shell would.
    if (!result.timedOut && result.exitCode == 127 && result.output.empty() &&
        result.errorText.empty()) {
        result.started = false;
        result.error = "could not be run";
    }
    return result;
}

}  // namespace orvane::kit
