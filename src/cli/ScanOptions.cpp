#include "cli/ScanOptions.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/RemoveMode.h"
#include "kit/Paths.h"

namespace orvane::cli {

namespace {

volatile sig_atomic_t gInterrupted = 0;
void onInterrupt(int) { gInterrupted = 1; }

int terminalWidth() {
    winsize ws{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 20) return ws.ws_col;
    return 80;
}

}  // namespace

void addScanFoldersOption(CLI::App& cmd, ScanOptions& options) {
    cmd.add_option("PATH", options.paths, "Folders to scan")->required();
}

void addJsonFlag(CLI::App& cmd, ScanOptions& options) {
    cmd.add_flag("--json", options.json, "Print one JSON object");
}

void addRemovalOptions(CLI::App& cmd, ScanOptions& options, std::string_view selected) {
    cmd.add_option("--remove", options.remove,
                   "Remove the selected " + std::string(selected) +
                       ": trash (undoable), delete (for good) or move=FOLDER");
    cmd.add_flag("--dry-run", options.dryRun, "With --remove: list what would go, touch nothing");
}

void addQuietFlag(CLI::App& cmd, ScanOptions& options) {
    cmd.add_flag("-q,--quiet", options.quiet, "No progress line");
}

void addSettingsOption(CLI::App& cmd, ScanOptions& options) {
    cmd.add_option("--settings", options.settingsPath,
                   "Settings file to use instead of the saved one");
}

std::optional<std::string> checkRemovalOptions(const ScanOptions& options, std::string_view item,
                                               std::optional<files::RemoveType>& removal) {
    removal.reset();
    if (options.remove.empty()) {
        if (options.dryRun) return "--dry-run goes with --remove";
        return std::nullopt;
    }
    std::string error;
    if (!(removal = parseRemoveMode(options.remove, error))) return error;
    if (options.autoSelect.empty())
        return "--remove needs --auto-select: nothing is selected otherwise";
    if (options.json)
        return "--remove prints one line per " + std::string(item) +
               "; it cannot be combined with --json";
    return std::nullopt;
}

std::optional<std::string> scanRoots(const std::vector<std::string>& paths,
                                     std::vector<std::string>& roots) {
    for (const auto& raw : paths) {
        const std::string path = kit::absolutePath(raw);
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            return "cannot read '" + raw + "': " + std::strerror(errno);
        if (!S_ISDIR(st.st_mode)) return "'" + raw + "' is not a folder";
        if (::access(path.c_str(), R_OK | X_OK) != 0)
            return "cannot read '" + raw + "': " + std::strerror(errno);
        roots.push_back(path);
    }
    return std::nullopt;
}

InterruptWatch::InterruptWatch() {
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sa.sa_flags = SA_RESETHAND;  // a second Ctrl-C ends the program at once
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, &previous_);
    gInterrupted = 0;
}

InterruptWatch::~InterruptWatch() { ::sigaction(SIGINT, &previous_, nullptr); }

bool InterruptWatch::interrupted() { return gInterrupted != 0; }

ProgressLine::ProgressLine(bool quiet) : shown_(!quiet && ::isatty(STDERR_FILENO)) {}

void ProgressLine::show(const std::string& head, std::string_view path) {
    if (!shown_) return;
    const std::size_t width = static_cast<std::size_t>(terminalWidth() - 1);
    const std::size_t headWidth = kit::codePointCount(head);
    std::string line = headWidth >= width
                           ? kit::elideMiddle(kit::terminalPath(head), width)
                           : kit::terminalPath(head) +
                                 kit::elideMiddle(kit::terminalPath(path), width - headWidth);
    const std::size_t shownWidth = kit::codePointCount(line);
    std::fprintf(stderr, "\r%s%s", line.c_str(),
                 std::string(lastWidth_ > shownWidth ? lastWidth_ - shownWidth : 0, ' ').c_str());
    lastWidth_ = shownWidth;
}

void ProgressLine::clear() {
    if (shown_) std::fprintf(stderr, "\r%s\r", std::string(lastWidth_, ' ').c_str());
}

}  // namespace orvane::cli
