// `orvane junk [--json] [--kinds system,app,trash,package,internet]`: the junk scan from the
// command line, grouped as the desktop program shows it, so people can check what a cleaning
// would take before it does. `--clean [--all|--recommended] [--dry-run]` then deletes what the
// scan recommends (or everything it listed), or only lists what would go.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/Commands.h"
#include "core/junk/CleanError.h"
#include "core/junk/CleanManager.h"
#include "core/junk/JunkSubcategory.h"
#include "kit/JsonText.h"
#include "kit/SizeFormat.h"

namespace orvane::cli {

namespace {

using namespace orvane::junk;

std::atomic<bool> gJunkInterrupted{false};

extern "C" void onJunkInterrupt(int) { gJunkInterrupted.store(true); }

const std::map<std::string, CleanJunkType>& kindNames() {
    static const std::map<std::string, CleanJunkType> names = {
        {"system", CleanJunkType::systemJunk},
        {"app", CleanJunkType::appJunk},
        {"trash", CleanJunkType::trash},
        {"package", CleanJunkType::package},
        {"internet", CleanJunkType::internetJunk}};
    return names;
}

std::string kindName(std::uint32_t junkType) {
    for (const auto& [name, type] : kindNames())
        if (static_cast<std::uint32_t>(type) == junkType) return name;
    return "other";
}

class TerminalProgress final : public TrashScanManagerDelegate {
public:
    explicit TerminalProgress(bool enabled) : enabled_(enabled) {}
    void scanTrashFetchData(const CleanBaseModelPtr& model, const CleanBaseItemPtr& item,
                            double progress) override {
        ++items_;
        bytes_ += static_cast<std::uint64_t>(item->size());
        draw(model->name(), progress);
    }
    void scanTrashProgress(double progress) override { draw({}, progress); }
    void finish() {
        if (enabled_) std::fputs("\r\033[K", stderr);
    }

private:
    void draw(const std::string& kind, double progress) {
        if (!enabled_) return;
        if (!kind.empty()) kind_ = kind;
        std::fprintf(stderr, "\r\033[K%3.0f%%  %s  %llu items, %s", progress * 100, kind_.c_str(),
                     static_cast<unsigned long long>(items_.load()),
                     kit::transformedFileSize(bytes_.load()).c_str());
        std::fflush(stderr);
    }
    bool enabled_;
    std::string kind_;
    std::atomic<std::uint64_t> items_{0}, bytes_{0};
};

std::vector<JunkCategoryPtr> groupedResults(const CleanManager& manager) {
    std::vector<JunkCategoryPtr> out;
    for (const auto& model : manager.getModels()) {
        if (!(manager.scanKinds & model->junkType)) continue;
        auto category = std::make_shared<JunkCategory>(model);
        for (const auto& item : model->allItems) category->addItem(item);
        out.push_back(category);
    }
    return out;
}

void printPath(const std::string& path) { std::fwrite(path.data(), 1, path.size(), stdout); }

void printText(const std::vector<JunkCategoryPtr>& categories, std::uint64_t total) {
    for (const auto& category : categories) {
        std::printf("%s: %zu items, %s\n", category->name.c_str(), category->fileCount(),
                    kit::transformedFileSize(static_cast<std::uint64_t>(category->size())).c_str());
        for (const auto& group : category->subcategories()) {
            std::printf(
                "  %s%s: %zu items, %s\n", group->name.c_str(),
                group->isRecommended ? " (recommended)" : "", group->fileCount(),
                kit::transformedFileSize(static_cast<std::uint64_t>(group->allSize())).c_str());
            for (const auto& item : group->files()) {
                std::printf("    %12lld  ", static_cast<long long>(item->size()));
                printPath(item->url);
                if (!item->runningApp.empty())
                    std::printf("  (in use by %s; not ticked)", item->runningApp.c_str());
                std::fputc('\n', stdout);
            }
        }
    }
    std::printf("Total: %s\n", kit::transformedFileSize(total).c_str());
}

void printJson(const std::vector<JunkCategoryPtr>& categories, std::uint64_t total,
               bool interrupted, const std::string& ruleError) {
    std::string out = "{\"categories\":[";
    bool firstCategory = true;
    for (const auto& category : categories) {
        if (!firstCategory) out += ',';
        firstCategory = false;
        out += "{\"kind\":" + kit::jsonString(kindName(category->model->junkType)) +
               ",\"name\":" + kit::jsonString(category->name) +
               ",\"size\":" + std::to_string(category->size()) + ",\"groups\":[";
        bool firstGroup = true;
        for (const auto& group : category->subcategories()) {
            if (!firstGroup) out += ',';
            firstGroup = false;
            out += "{\"name\":" + kit::jsonString(group->name) +
                   ",\"size\":" + std::to_string(group->allSize()) +
                   ",\"recommended\":" + (group->isRecommended ? "true" : "false") + ",\"items\":[";
            bool firstItem = true;
            for (const auto& item : group->files()) {
                if (!firstItem) out += ',';
                firstItem = false;
                out += "{\"path\":" + kit::jsonString(item->url) +
                       ",\"size\":" + std::to_string(item->size()) + '}';
            }
            out += "]}";
        }
        out += "]}";
    }
    out += "],\"totalSize\":" + std::to_string(total);
    if (!ruleError.empty()) out += ",\"ruleError\":" + kit::jsonString(ruleError);
    if (interrupted) out += ",\"interrupted\":true";
    out += "}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
}

// Cleaning progress on standard error, one line redrawn.
class TerminalCleanProgress final : public TrashCleanManagerDelegate {
public:
    explicit TerminalCleanProgress(bool enabled, std::size_t total)
        : enabled_(enabled), total_(total) {}
    void cleanTrashProgress(const std::string&, bool, CleanStageType, std::int64_t size) override {
        ++done_;
        bytes_ += static_cast<std::uint64_t>(std::max<std::int64_t>(0, size));
        if (!enabled_) return;
        std::fprintf(stderr, "\r\033[Kcleaning %zu of %zu items, %s", done_.load(), total_,
                     kit::transformedFileSize(bytes_.load()).c_str());
        std::fflush(stderr);
    }
    void finish() {
        if (enabled_) std::fputs("\r\033[K", stderr);
    }

private:
    bool enabled_;
    std::size_t total_;
    std::atomic<std::size_t> done_{0};
    std::atomic<std::uint64_t> bytes_{0};
};

std::vector<CleanBaseItemPtr> selectedItems(const CleanManager& manager) {
    std::vector<CleanBaseItemPtr> out;
    for (const auto& model : manager.getModels())
        for (const auto& item : model->allItems)
            if (item->isSelected) out.push_back(item);
    return out;
}

int printDryRun(const CleanManager& manager, bool json) {
    std::uint64_t total = 0;
    std::size_t count = 0;
    std::string out = "{\"dryRun\":true,\"items\":[";
    for (const auto& model : manager.getModels()) {
        bool header = false;
        for (const auto& item : model->allItems) {
            if (!item->isSelected) continue;
            const auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(0, item->size()));
            total += size;
            if (json) {
                out += std::string(count ? "," : "") +
                       "{\"kind\":" + kit::jsonString(kindName(model->junkType)) +
                       ",\"path\":" + kit::jsonString(item->url) +
                       ",\"size\":" + std::to_string(size) + "}";
            } else {
                if (!header) std::printf("%s:\n", model->name().c_str());
                header = true;
                std::printf("  %12llu  ", static_cast<unsigned long long>(size));
                printPath(item->url);
                if (!item->runningApp.empty())
                    std::printf("  (in use by %s)", item->runningApp.c_str());
                std::fputc('\n', stdout);
            }
            ++count;
        }
    }
    if (json) {
        out +=
            "],\"count\":" + std::to_string(count) + ",\"size\":" + std::to_string(total) + "}\n";
        std::fwrite(out.data(), 1, out.size(), stdout);
    } else {
        std::printf("Would remove %zu item%s, %s; nothing was removed (--dry-run).\n", count,
                    count == 1 ? "" : "s", kit::transformedFileSize(total).c_str());
    }
    return kExitOk;
}

int runClean(CleanManager& manager, bool json, bool quiet) {
    const std::vector<CleanBaseItemPtr> chosen = selectedItems(manager);
    auto progress =
        std::make_shared<TerminalCleanProgress>(!quiet && isatty(STDERR_FILENO), chosen.size());
    manager.cleanDelegate = progress;
    gJunkInterrupted = false;
    auto previous = std::signal(SIGINT, onJunkInterrupt);
    manager.startClean();
    while (manager.cleanState.load() == CleanState::cleaning ||
           manager.cleanState.load() == CleanState::paused) {
        if (gJunkInterrupted.load()) {
            manager.stopClean();
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    manager.waitUntilCleanFinished();
    std::signal(SIGINT, previous);
    progress->finish();

    std::size_t removed = 0, gone = 0, failed = 0, untouched = 0;
    std::string failures;
    for (const auto& item : chosen) {
        switch (item->cleanOutcome) {
            case CleanBaseItem::CleanOutcome::removed: ++removed; break;
            case CleanBaseItem::CleanOutcome::alreadyGone: ++gone; break;
            case CleanBaseItem::CleanOutcome::none: ++untouched; break;
            case CleanBaseItem::CleanOutcome::failed: {
                ++failed;
                const int code = item->removeError ? item->removeError->code : 0;
                const std::string reason = item->removeError ? item->removeError->description : "";
                if (json) {
                    failures += std::string(failed > 1 ? "," : "") +
                                "{\"path\":" + kit::jsonString(item->url) +
                                ",\"code\":" + std::to_string(code) +
                                ",\"reason\":" + kit::jsonString(reason) + "}";
                } else {
                    std::fputs("Failed: ", stdout);
                    printPath(item->url);
                    std::printf(" (error %d): %s\n", code, reason.c_str());
                }
                break;
            }
        }
    }
    const std::uint64_t freed = manager.cleanedSize.load();
    const bool interrupted = gJunkInterrupted.load();
    if (json) {
        std::string out =
            "{\"freedSize\":" + std::to_string(freed) + ",\"removed\":" + std::to_string(removed) +
            ",\"alreadyGone\":" + std::to_string(gone) + ",\"failed\":" + std::to_string(failed) +
            ",\"notReached\":" + std::to_string(untouched) + ",\"failures\":[" + failures + "]" +
            (interrupted ? ",\"interrupted\":true" : "") + "}\n";
        std::fwrite(out.data(), 1, out.size(), stdout);
    } else {
        std::printf("Freed %s: %zu item%s removed", kit::transformedFileSize(freed).c_str(),
                    removed, removed == 1 ? "" : "s");
        if (gone) std::printf(", %zu already gone", gone);
        std::printf(", %zu failed", failed);
        if (untouched) std::printf(", %zu not reached (stopped)", untouched);
        std::printf(".\n");
    }
    if (interrupted) return kExitInterrupted;
    return failed ? kExitFailure : kExitOk;
}

}  // namespace

void addJunkCommand(CLI::App& app, Action& action) {
    struct Options {
        bool json = false;
        bool quiet = false;
        bool clean = false;
        bool all = false;
        bool recommended = false;
        bool dryRun = false;
        std::string kinds;
    };
    auto opts = std::make_shared<Options>();
    auto* cmd =
        app.add_subcommand("junk",
                           "List system junk, application caches and logs, the Trash, installer "
                           "packages and browser caches; with --clean, delete them");
    cmd->add_flag("--json", opts->json,
                  "Print one JSON object with every category, group and item");
    cmd->add_flag("-q,--quiet", opts->quiet, "No progress line on standard error");
    cmd->add_flag("--clean", opts->clean,
                  "Delete what the scan recommends (the items ticked by default) and print each "
                  "failure with its reason, then the freed size; exit 1 when anything failed");
    auto* all = cmd->add_flag("--all", opts->all,
                              "With --clean: delete every item listed, not only the recommended");
    auto* recommended = cmd->add_flag("--recommended", opts->recommended,
                                      "With --clean: delete the recommended items (the default)");
    all->excludes(recommended);
    cmd->add_flag("--dry-run", opts->dryRun,
                  "With --clean: list exactly what would be deleted, deleting nothing");
    cmd->add_option("--kinds", opts->kinds,
                    "Comma-separated kinds to scan: system,app,trash,package,internet "
                    "(default: all)");
    cmd->callback([opts, &action] {
        action = [opts]() -> int {
            std::uint32_t kinds = 0;
            if (opts->kinds.empty()) {
                kinds = kAllJunkTypes;
            } else {
                std::stringstream in(opts->kinds);
                std::string word;
                while (std::getline(in, word, ',')) {
                    auto it = kindNames().find(word);
                    if (it == kindNames().end()) {
                        std::fprintf(stderr,
                                     "orvane junk: unknown kind \"%s\" (system, app, trash, "
                                     "package, internet)\n",
                                     word.c_str());
                        return kExitUsage;
                    }
                    kinds |= static_cast<std::uint32_t>(it->second);
                }
            }

            const bool cleaning = opts->clean || opts->all || opts->recommended || opts->dryRun;
            CleanManager manager;
            manager.scanKinds = kinds;
            auto progress =
                std::make_shared<TerminalProgress>(!opts->quiet && isatty(STDERR_FILENO));
            manager.scanDelegate = progress;

            gJunkInterrupted = false;
            auto previous = std::signal(SIGINT, onJunkInterrupt);
            manager.startScan();
            // The scan runs on the driver's thread; this one only watches for Ctrl-C.
            while (manager.scanState.load() == ScanState::scanning) {
                if (gJunkInterrupted.load()) {
                    manager.stopScan();
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            manager.waitUntilScanFinished();
            std::signal(SIGINT, previous);
            progress->finish();

            const bool interrupted = gJunkInterrupted.load();
            const auto categories = groupedResults(manager);
            std::uint64_t total = 0;
            for (const auto& c : categories) total += static_cast<std::uint64_t>(c->size());
            if (!manager.ruleError().empty())
                std::fprintf(stderr,
                             "orvane junk: the junk rules could not be used (%s); only the "
                             "built-in places were scanned\n",
                             manager.ruleError().c_str());
            if (cleaning) {
                if (interrupted) return kExitInterrupted;
                if (opts->all)
                    for (const auto& model : manager.getModels())
                        for (const auto& item : model->allItems) item->isSelected = true;
                if (opts->dryRun) return printDryRun(manager, opts->json);
                return runClean(manager, opts->json, opts->quiet);
            }
            if (opts->json) printJson(categories, total, interrupted, manager.ruleError());
            else printText(categories, total);
            return interrupted ? kExitInterrupted : kExitOk;
        };
    });
}

const SubcommandRegistration kRegistration{80, addJunkCommand};

}  // namespace orvane::cli
