// `orvane duplicates`: the duplicate finder on the command line, with the saved settings and
// per-run overrides, text or JSON output, and a progress line on a terminal.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/DuplicatesRemoval.h"
#include "cli/KeptUntilExit.h"
#include "cli/OutputPath.h"
#include "cli/RunEvents.h"
#include "cli/ScanOptions.h"
#include "core/analytics/Analytics.h"
#include "core/duplicates/PathOrder.h"
#include "core/duplicates/ScanCache.h"
#include "core/duplicates/ScanManager.h"
#include "core/files/IgnoresPathExtention.h"
#include "core/settings/PerferenceInfo.h"
#include "kit/JsonText.h"
#include "kit/MainQueue.h"
#include "kit/Paths.h"
#include "kit/Plural.h"
#include "kit/SizeFormat.h"

namespace orvane::cli {

namespace {

using duplicates::ScanManager;
using files::DuplicateFilesPtr;

// --auto-select: first, new or old, the copy kept.
struct Options : ScanOptions {
    bool hidden = false;
    bool zeroByte = false;
    std::string minSize, maxSize;
    std::vector<std::string> kinds;
    bool strict = false;  // exit 1 when the scan had to pass over something
    bool noCache = false;
};

// "1048576", "10KB", "2.5 MB", "1GB" → bytes, in the decimal units the settings use.
std::optional<std::int64_t> parseSize(std::string text) {
    std::erase(text, ' ');
    std::size_t digits = 0;
    while (digits < text.size() &&
           (std::isdigit(static_cast<unsigned char>(text[digits])) || text[digits] == '.'))
        ++digits;
    if (digits == 0) return std::nullopt;
    std::string unit = text.substr(digits);
    for (auto& c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    double scale;
    if (unit.empty() || unit == "B") scale = 1;
    else if (unit == "K" || unit == "KB") scale = 1e3;
    else if (unit == "M" || unit == "MB") scale = 1e6;
    else if (unit == "G" || unit == "GB") scale = 1e9;
    else if (unit == "T" || unit == "TB") scale = 1e12;
    else return std::nullopt;
    char* end = nullptr;
    const std::string number = text.substr(0, digits);
    const double value = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size() || value < 0 || value * scale > 9.2e18)
        return std::nullopt;
    return static_cast<std::int64_t>(value * scale + 0.5);
}

duplicates::KeepRule keepRule(const std::string& rule) {
    if (rule == "new") return duplicates::KeepRule::oldest;
    if (rule == "old") return duplicates::KeepRule::newest;
    return duplicates::KeepRule::first;
}

// Collects what the driver reports; the progress line reads it from the main thread.
class Observer final : public files::ScanManagerProtocol {
public:
    void scanFinished() override {
        finished = true;
        kit::MainQueue::post([] {});  // wake the loop
    }
    void scaningPath(const std::string& path) override {
        std::lock_guard lock(mutex);
        current = path;
    }
    void scanProgress(double value) override { progress = value; }

    std::string currentPath() {
        std::lock_guard lock(mutex);
        return current;
    }

    std::atomic<bool> finished{false};
    std::atomic<double> progress{0};

private:
    std::mutex mutex;
    std::string current;
};

void printResults(const std::vector<DuplicateFilesPtr>& found, bool json,
                  const files::SkippedEntries& skipped) {
    // Biggest waste first; ties by first path, so the same tree always prints the same way.
    // The keys are taken once: a tree of many small files has a hundred thousand groups of a
    // handful of sizes, and nearly every comparison falls to the paths.
    struct Key {
        std::uint64_t size;
        std::string_view first;  // empty for a group without members
        bool ascii;
        const DuplicateFilesPtr* group;
    };
    std::vector<Key> keys;
    keys.reserve(found.size());
    for (const auto& g : found) {
        Key k{0, {}, true, &g};
        if (!g->infos().empty()) {
            k.size = g->infos().front()->size();
            k.first = g->infos().front()->path();
            k.ascii = std::all_of(k.first.begin(), k.first.end(),
                                  [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        }
        keys.push_back(k);
    }
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        if (a.size != b.size) return a.size > b.size;
        const bool emptyA = (*a.group)->infos().empty(), emptyB = (*b.group)->infos().empty();
        if (emptyA || emptyB) return emptyB && !emptyA;
        // Plain byte order is the path order for ASCII names.
        if (a.ascii && b.ascii) return a.first < b.first;
        return duplicates::pathLess(a.first, b.first);
    });
    std::vector<DuplicateFilesPtr> groups;
    groups.reserve(keys.size());
    for (const Key& k : keys) groups.push_back(*k.group);
    std::uint64_t totalFiles = 0, totalSize = 0;
    for (const auto& g : groups) {
        totalFiles += g->count();
        totalSize += g->totalSize;
    }
    std::string out;
    if (json) {
        out += "{\"groups\":[";
        bool firstGroup = true;
        for (const auto& g : groups) {
            if (!firstGroup) out.push_back(',');
            firstGroup = false;
            out += "{\"size\":";
            out += std::to_string(g->infos().empty() ? 0 : g->infos().front()->size());
            out += ",\"files\":[";
            bool first = true;
            for (const auto& info : g->infos()) {
                if (!first) out.push_back(',');
                first = false;
                kit::appendJsonString(out, info->path());
            }
            out += "]}";
        }
        out += "],\"totalFiles\":" + std::to_string(totalFiles) +
               ",\"totalSize\":" + std::to_string(totalSize) +
               ",\"skipped\":{\"unreadableFolders\":" + std::to_string(skipped.unreadableFolders) +
               ",\"unreadableFiles\":" + std::to_string(skipped.unreadableFiles) +
               ",\"tooLongPaths\":" + std::to_string(skipped.tooLongPaths) + "}}\n";
    } else if (groups.empty()) {
        out = "No duplicates found.\n";
    } else {
        // Built in one piece, sized up front: a listing of a hundred thousand paths would
        // otherwise be copied each time the text outgrows its room.
        std::size_t length = 0;
        for (const auto& g : groups) {
            length += 64;
            for (const auto& info : g->infos()) length += info->path().size() + 1;
        }
        out.reserve(length);
        // Groups of one size follow each other; their heading is formatted once.
        std::uint64_t headingSize = 0;
        std::string heading;
        bool first = true;
        for (const auto& g : groups) {
            if (!first) out.push_back('\n');
            const std::uint64_t size = g->infos().empty() ? 0 : g->infos().front()->size();
            if (first || size != headingSize) {
                heading =
                    std::to_string(size) + " bytes each (" + kit::transformedFileSize(size) + "), ";
                headingSize = size;
            }
            first = false;
            out += heading;
            out += kit::countOf(g->count(), "file", "files");
            out.push_back('\n');
            for (const auto& info : g->infos()) {
                appendOutputPath(out, info->path());
                out.push_back('\n');
            }
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

int run(const Options& o) {
    auto fail = [](const std::string& message) {
        std::fprintf(stderr, "orvane duplicates: %s\n", message.c_str());
        return kExitUsage;
    };
    std::optional<files::RemoveType> removeType;
    if (auto error = checkRemovalOptions(o, "file", removeType)) return fail(*error);
    std::vector<std::string> roots;
    if (auto error = scanRoots(o.paths, roots)) return fail(*error);

    std::optional<std::int64_t> minSize, maxSize;
    if (!o.minSize.empty() && !(minSize = parseSize(o.minSize)))
        return fail("--min-size: '" + o.minSize + "' is not a size (examples: 1000, 10KB, 1.5MB)");
    if (!o.maxSize.empty() && !(maxSize = parseSize(o.maxSize)))
        return fail("--max-size: '" + o.maxSize + "' is not a size (examples: 1000, 10KB, 1.5MB)");
    bool kinds[5] = {true, true, true, true, true};
    if (!o.kinds.empty()) {
        static const char* names[5] = {"video", "audio", "picture", "document", "other"};
        std::fill(std::begin(kinds), std::end(kinds), false);
        for (const auto& k : o.kinds) {
            auto it = std::find_if(std::begin(names), std::end(names),
                                   [&](const char* n) { return k == n; });
            if (it == std::end(names))
                return fail("--kinds: unknown kind '" + k +
                            "' (video, audio, picture, document, other)");
            kinds[it - std::begin(names)] = true;
        }
    }

    ScanManager::Environment environment;
    environment.diskInventory = platform::makeDiskInventory();
    environment.settingsPath = o.settingsPath;
    if (!o.noCache)
        environment.scanCachePath = duplicates::ScanCache::defaultPath(environment.layout);
    auto manager = ScanManager::create(std::move(environment));
    keepUntilExit(manager);
    const auto kept = manager->cleanRoots(roots);
    for (const auto& root : roots)
        if (std::find(kept.begin(), kept.end(), root) == kept.end())
            std::fprintf(
                stderr,
                "orvane duplicates: skipping '%s': a system folder or another user's home\n",
                root.c_str());
    manager->folderList = roots;
    manager->preferenceOverride = [&](settings::PerferenceInfo& p) {
        if (o.hidden) p.omitHidden = false;
        if (o.zeroByte) p.omitZeroByte = false;
        if (minSize) p.enableMinSize = true, p.minSize = minSize;
        if (maxSize) p.enableMaxSize = true, p.maxSize = maxSize;
        if (!o.kinds.empty()) {
            p.omitVideo = kinds[0], p.omitAudio = kinds[1], p.omitPicture = kinds[2];
            p.omitDocument = kinds[3], p.omitOther = kinds[4];
        }
        if (p.unreadable)
            std::fprintf(stderr,
                         "orvane duplicates: the settings file could not be read (%s); the "
                         "excluded folders are unknown, so nothing will be removed\n",
                         p.readError.c_str());
    };
    auto observer = std::make_shared<Observer>();
    manager->delegate = observer;

    kit::MainLoop loop;
    RunEvents events(analytics::module::duplicateFile);
    bool stopping = false;
    {
        InterruptWatch interrupt;
        ProgressLine progress(o.quiet);
        events.scanStarted(analytics::labels::startScanTiles(roots));
        manager->scanDuplicateFile();
        std::uint64_t seen = 0;
        while (!observer->finished) {
            loop.runUntil(
                [&] { return observer->finished.load() || InterruptWatch::interrupted(); },
                std::chrono::milliseconds(100));
            if (InterruptWatch::interrupted() && !stopping) {
                stopping = true;
                manager->stopScanning();
            }
            if (progress.shown() && !observer->finished) {
                const std::string path = observer->currentPath();
                if (path.empty()) {
                    // The count is gone once the walk ends; until the first comparison the
                    // last one stands.
                    seen = std::max(seen, manager->enumeratedItems());
                    progress.show("Scanning… " + std::to_string(seen) + " items");
                } else {
                    char pct[16];
                    std::snprintf(pct, sizeof pct, "%3.0f%% ", observer->progress.load() * 100);
                    progress.show(std::string("Comparing ") + pct, path);
                }
            }
        }
        manager->waitUntilScanFinished();
        loop.drain();
        progress.clear();
    }

    const files::SkippedEntries skipped = manager->skippedEntries();
    printResults(manager->totalFiles, o.json, skipped);
    // On standard error, so that the list on standard output stays clean for scripts.
    if (!skipped.empty())
        std::fprintf(stderr, "orvane duplicates: %s\n", skipped.sentence().c_str());
    std::uint64_t foundBytes = 0;
    for (const auto& g : manager->totalFiles)
        for (const auto& info : g->infos()) foundBytes += info->size();
    events.scanEnded(foundBytes, stopping);
    if (stopping) {
        std::fprintf(stderr,
                     "orvane duplicates: interrupted; the groups above are those found so far\n");
        return kExitInterrupted;
    }
    const int strictCode = o.strict && !skipped.empty() ? kExitFailure : kExitOk;
    if (removeType) {
        const int code =
            removeAutoSelected(manager, keepRule(o.autoSelect), *removeType, o.dryRun, &events);
        return code != kExitOk ? code : strictCode;
    }
    return strictCode;
}

}  // namespace

void addDuplicatesCommand(CLI::App& app, Action& action) {
    auto options = std::make_shared<Options>();
    auto* cmd = app.add_subcommand(
        "duplicates",
        "Find files with identical content below the given folders, using the saved settings "
        "(`orvane settings`) unless a flag overrides them for this run");
    addScanFoldersOption(*cmd, *options);
    cmd->add_flag("--hidden", options->hidden, "Include hidden files");
    cmd->add_flag("--zero-byte", options->zeroByte, "Include empty files");
    cmd->add_option("--min-size", options->minSize,
                    "Smallest size to consider, e.g. 1MB (inclusive)");
    cmd->add_option("--max-size", options->maxSize,
                    "Largest size to consider, e.g. 2GB (inclusive)");
    cmd->add_option("--kinds", options->kinds,
                    "Only these kinds: video, audio, picture, document, other")
        ->delimiter(',');
    addJsonFlag(*cmd, *options);
    cmd->add_option("--auto-select", options->autoSelect,
                    "Select every copy but one in each group, keeping: first (the smallest "
                    "path, the default), new (keep the oldest copy, select the newer ones) or "
                    "old (keep the newest copy)")
        ->expected(0, 1)
        ->default_str("first")
        ->option_text("[first|new|old]")
        ->check([](const std::string& rule) -> std::string {
            if (rule == "first" || rule == "new" || rule == "old") return {};
            return "'" + rule +
                   "' is not first, new or old (name folders before --auto-select, "
                   "or write --auto-select=first)";
        });
    addRemovalOptions(*cmd, *options, "copies");
    cmd->add_flag("--strict", options->strict,
                  "Exit with status 1 when some folders or files could not be read (the results "
                  "then do not cover everything)");
    addQuietFlag(*cmd, *options);
    cmd->add_flag("--no-cache", options->noCache,
                  "Read every candidate afresh: neither use nor keep what earlier scans learned");
    addSettingsOption(*cmd, *options);
    std::string neverCompared;
    for (std::string_view extension : duplicates::IgnoresPathExtention::allCases)
        neverCompared += (neverCompared.empty() ? "" : ", ") + std::string(extension);
    cmd->footer("Never compared: files with the extensions " + neverCompared +
                " (source, configuration and data files, whose copies belong to the programs "
                "that hold them).");
    cmd->callback([&action, options] { action = [options] { return run(*options); }; });
}

const SubcommandRegistration kRegistration{20, addDuplicatesCommand};

}  // namespace orvane::cli
