#pragma once

#include <signal.h>
#include <CLI/CLI.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/files/RemoveType.h"

namespace orvane::cli {

// What the commands that scan folders and remove what they select (duplicates, photos) take
// alike: the folders, the output form, the removal of what --auto-select picked, the progress
// line and the settings file.
struct ScanOptions {
    std::vector<std::string> paths;
    bool json = false;
    bool quiet = false;
    std::string settingsPath;
    std::string autoSelect;  // empty: nothing is selected
    std::string remove;      // trash, delete or move=DIR
    bool dryRun = false;
};

// The options, each where the command places it in its help.
void addScanFoldersOption(CLI::App& cmd, ScanOptions& options);
void addJsonFlag(CLI::App& cmd, ScanOptions& options);
// --remove and --dry-run; `selected` names what goes ("copies", "pictures").
void addRemovalOptions(CLI::App& cmd, ScanOptions& options, std::string_view selected);
void addQuietFlag(CLI::App& cmd, ScanOptions& options);
void addSettingsOption(CLI::App& cmd, ScanOptions& options);

// Checks --remove, --auto-select, --json and --dry-run together before anything is read. The
// error, if any, is returned; otherwise `removal` holds the mode of --remove, or nothing.
// `item` names what one output line of a removal is about ("file", "picture").
std::optional<std::string> checkRemovalOptions(const ScanOptions& options, std::string_view item,
                                               std::optional<files::RemoveType>& removal);

// The folders to scan, absolute as the kernel resolves them; the error, if any, names the first
// argument that is not a readable folder.
std::optional<std::string> scanRoots(const std::vector<std::string>& paths,
                                     std::vector<std::string>& roots);

// Ctrl-C while a scan or a removal runs: the first press only raises interrupted(), so the work
// can stop cleanly; a second one ends the program at once. The previous handling comes back when
// this goes.
class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    static bool interrupted();

private:
    struct sigaction previous_ {};
};

// One progress line on standard error, redrawn in place; only on a terminal and when not quiet.
class ProgressLine {
public:
    explicit ProgressLine(bool quiet);
    bool shown() const { return shown_; }
    // `head` then `path`, fitted to the terminal's width: the path is shown as
    // kit::terminalPath quotes it and gives way in its middle, so its file name stays in view.
    // What is left of a longer earlier line is blanked.
    void show(const std::string& head, std::string_view path = {});
    void clear();

private:
    bool shown_;
    std::size_t lastWidth_ = 0;
};

}  // namespace orvane::cli
