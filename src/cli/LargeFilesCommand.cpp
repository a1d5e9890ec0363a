// `orvane large-files [--json] [PATH...]`: the large-file scan from the command line, with the
// same sixteen groups the desktop program shows, and optional removal of chosen groups.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli/Commands.h"
#include "cli/OutputPath.h"
#include "cli/RemovalReport.h"
#include "cli/RemoveMode.h"
#include "cli/RunEvents.h"
#include "cli/ScanOptions.h"
#include "core/analytics/Analytics.h"
#include "core/files/ScanManagerProtocol.h"
#include "core/largefiles/LargeFileGroups.h"
#include "core/largefiles/LargeFilesManager.h"
#include "core/settings/PerferenceInfo.h"
#include "kit/JsonText.h"
#include "kit/Localization.h"
#include "kit/MainQueue.h"
#include "kit/Paths.h"
#include "kit/Plural.h"
#include "kit/SizeFormat.h"

namespace orvane::cli {

namespace {

using largefiles::LargeFilesManager;

std::atomic<bool>* gStopFlag = nullptr;
std::atomic<bool> gInterrupted{false};

extern "C" void onInterrupt(int) {
    gInterrupted.store(true);
    if (gStopFlag) gStopFlag->store(true);
}

// A one-line progress report on a terminal's standard error, redrawn in place.
class TerminalProgress final : public files::ScanManagerProtocol {
public:
    explicit TerminalProgress(bool quiet) : line_(quiet) {}
    void scaningPath(const std::string& path) override {
        std::lock_guard lock(mutex_);
        path_ = path;
    }
    void scanFound(std::int64_t count) override {
        std::lock_guard lock(mutex_);
        line_.show(std::to_string(count) + " large files found  ", path_);
    }
    void scanFinished() override {
        {
            std::lock_guard lock(mutex_);
            line_.clear();
        }
        if (onFinished) onFinished();
    }
    std::function<void()> onFinished;
    void cleanProgress(double value, std::int64_t count) override {
        char pct[16];
        std::snprintf(pct, sizeof pct, "%.0f%%", value * 100);
        std::lock_guard lock(mutex_);
        line_.show(std::to_string(count) + " files handled (" + pct + ")");
    }
    void removeFinished() override {
        std::lock_guard lock(mutex_);
        line_.clear();
    }

private:
    std::mutex mutex_;
    ProgressLine line_;
    std::string path_;
};

void printText(const LargeFilesManager& manager) {
    for (std::size_t i = 0; i < manager.allFiles.size(); ++i) {
        if (i == largefiles::reservedGroup) continue;  // never filled: nothing to tell a reader
        const auto& group = manager.allFiles[i];
        std::printf("[%zu] %s: %s, %s\n", i, kit::localized(largefiles::groupTitle(i)).c_str(),
                    kit::countOf(group->count(), "file", "files").c_str(),
                    kit::transformedFileSize(group->totalSize).c_str());
        for (const auto& info : group->infos()) {
            std::printf("  %12llu  ", static_cast<unsigned long long>(info->size()));
            const std::string shown = outputPath(info->path());
            std::fwrite(shown.data(), 1, shown.size(), stdout);
            std::fputc('\n', stdout);
        }
    }
}

void printJson(const LargeFilesManager& manager, bool interrupted,
               const files::SkippedEntries& skipped) {
    std::string out = "{\"groups\":[";
    for (std::size_t i = 0; i < manager.allFiles.size(); ++i) {
        const auto& group = manager.allFiles[i];
        if (i) out += ',';
        // "name" stays the stable identifier scripts match on; "title" is what a person reads.
        out += "{\"index\":" + std::to_string(i) +
               ",\"name\":" + kit::jsonString(largefiles::groupName(i)) +
               ",\"title\":" + kit::jsonString(kit::localized(largefiles::groupTitle(i))) +
               ",\"count\":" + std::to_string(group->count()) +
               ",\"size\":" + std::to_string(group->totalSize) + ",\"files\":[";
        bool first = true;
        for (const auto& info : group->infos()) {
            if (!first) out += ',';
            first = false;
            out += "{\"path\":" + kit::jsonString(info->path()) +
                   ",\"size\":" + std::to_string(info->size()) +
                   ",\"mtime\":" + std::to_string(largefiles::timeInfo(*info).timeMtimespec) + '}';
        }
        out += "]}";
    }
    out += "],\"skipped\":{\"unreadableFolders\":" + std::to_string(skipped.unreadableFolders) +
           ",\"unreadableFiles\":" + std::to_string(skipped.unreadableFiles) +
           ",\"tooLongPaths\":" + std::to_string(skipped.tooLongPaths) + "}";
    if (interrupted) out += ",\"interrupted\":true";
    out += "}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
}

// Selects every file of the chosen groups and removes them the chosen way, one line per file.
int removeChosen(LargeFilesManager& manager, const std::set<unsigned>& groups,
                 const files::RemoveType& type, bool dryRun, kit::MainLoop& loop,
                 RunEvents& events) {
    for (unsigned g : groups)
        for (const auto& info : manager.allFiles[g]->infos()) info->selected = true;
    const auto files = manager.selectedFiles();
    if (dryRun) {
        RemovalReport::printPlan(type, files);
        return kExitOk;
    }
    if (files.empty()) {
        std::printf("Nothing to remove.\n");
        return kExitOk;
    }

    std::string refusal;
    std::atomic<bool> finished{false};
    manager.removeRefused = [&](const std::string& message) { refusal = message; };
    struct Done final : files::ScanManagerProtocol {
        std::atomic<bool>* flag;
        void removeFinished() override { flag->store(true); }
    };
    auto done = std::make_shared<Done>();
    done->flag = &finished;
    manager.delegate = done;
    gStopFlag = &manager.removeStop;
    std::uint64_t selectedBytes = 0;
    for (const auto& info : files) selectedBytes += info->size();
    events.removeStarted(files.size(), selectedBytes);
    manager.removeDuplicateFiles(type);
    loop.runUntil([&] { return finished.load() || !refusal.empty(); });
    manager.waitUntilRemovalFinished();
    loop.drain();
    if (!refusal.empty()) {
        events.removeEnded(0, 0, 0);
        std::fprintf(stderr, "orvane large-files: %s\n", refusal.c_str());
        return kExitFailure;
    }
    const std::size_t failed = RemovalReport::printOutcome(type, files);
    events.removeEnded(static_cast<std::size_t>(manager.removesucceedCount.load()),
                       static_cast<std::size_t>(manager.errorRemoveCount.load()),
                       manager.removesucceedSize.load());
    if (gInterrupted.load()) return kExitInterrupted;
    return failed > 0 ? kExitFailure : kExitOk;
}

}  // namespace

void addLargeFilesCommand(CLI::App& app, Action& action) {
    struct Options {
        bool json = false;
        bool quiet = false;
        bool dryRun = false;
        bool strict = false;
        std::vector<std::string> paths;
        std::vector<unsigned> groups;
        std::string remove;
    };
    auto opts = std::make_shared<Options>();
    auto* cmd =
        app.add_subcommand("large-files", "List files of 10 MB and more by size, age and kind");
    cmd->add_flag("--json", opts->json, "Print one JSON object with all sixteen groups");
    cmd->add_flag("-q,--quiet", opts->quiet, "No progress line on standard error");
    cmd->add_option("--group", opts->groups,
                    "Select every file of this group for removal (0 all, 1-4 by size, 5-9 by age, "
                    "10-14 by kind); repeatable")
        ->check(CLI::Range(0u, 14u));
    cmd->add_option("--remove", opts->remove,
                    "Remove the selected files: trash, delete or move=DIR")
        ->needs("--group");
    cmd->add_flag("--dry-run", opts->dryRun, "Show what --remove would do and touch nothing");
    cmd->add_flag("--strict", opts->strict,
                  "Exit with status 1 when some folders or files could not be read (the lists "
                  "then do not cover everything)");
    cmd->add_option("paths", opts->paths, "Folders to scan (default: your home folder)");

    cmd->callback([&action, opts] {
        action = [opts]() -> int {
            std::optional<files::RemoveType> request;
            if (!opts->remove.empty()) {
                std::string error;
                request = parseRemoveMode(opts->remove, error);
                if (!request) {
                    std::fprintf(stderr, "orvane large-files: %s\n", error.c_str());
                    return kExitUsage;
                }
            }
            std::vector<std::string> roots = opts->paths;
            if (roots.empty()) roots.push_back(kit::customHomeDirectory());
            for (auto& root : roots) {
                if (::access(root.c_str(), R_OK | X_OK) != 0) {
                    std::fprintf(stderr, "orvane large-files: cannot read folder %s\n",
                                 kit::displayPath(root).c_str());
                    return kExitUsage;
                }
                // The scan compares roots as text: make them absolute like the program's own.
                if (root.front() != '/' || root.find("..") != std::string::npos) {
                    char* real = ::realpath(root.c_str(), nullptr);
                    if (real) {
                        root = real;
                        std::free(real);
                    }
                }
            }

            LargeFilesManager manager;
            kit::MainLoop loop;
            auto progress = std::make_shared<TerminalProgress>(opts->quiet);
            manager.delegate = progress;
            manager.folderList = roots;
            gStopFlag = &manager.stopScanLargeFileFig;
            std::signal(SIGINT, onInterrupt);

            RunEvents events(analytics::module::bigfile);
            events.scanStarted({""});
            std::atomic<bool> done{false};
            progress->onFinished = [&] {
                done.store(true);
                loop.wake();
            };
            manager.startScanning();
            loop.runUntil([&] { return done.load(); });
            manager.waitUntilScanFinished();
            loop.drain();
            const bool interrupted = gInterrupted.load();
            if (manager.scanSetupObj && manager.scanSetupObj->unreadable)
                std::fprintf(stderr,
                             "orvane large-files: the settings file could not be read (%s); the "
                             "excluded folders are unknown, so nothing will be removed\n",
                             manager.scanSetupObj->readError.c_str());
            std::uint64_t foundBytes = 0;
            if (!manager.allFiles.empty()) foundBytes = manager.allFiles[0]->totalSize;
            events.scanEnded(foundBytes, interrupted);

            const files::SkippedEntries skipped = manager.skippedEntries();
            if (opts->json && !request) {
                printJson(manager, interrupted, skipped);
            } else if (!request) {
                printText(manager);
            }
            if (!skipped.empty())
                std::fprintf(stderr, "orvane large-files: %s\n", skipped.sentence().c_str());
            if (interrupted) return kExitInterrupted;
            const int strictCode = opts->strict && !skipped.empty() ? kExitFailure : kExitOk;
            if (!request) return strictCode;

            std::set<unsigned> chosen(opts->groups.begin(), opts->groups.end());
            const int code = removeChosen(manager, chosen, *request, opts->dryRun, loop, events);
            return code != kExitOk ? code : strictCode;
        };
    });
}

const SubcommandRegistration kRegistration{30, addLargeFilesCommand};

}  // namespace orvane::cli
