// `orvane junk [--json] [--kinds system,app,trash,package,internet]`: the junk scan from the
// command line, grouped as the desktop program shows it, so people can check what a cleaning
// would take before it does. Nothing is removed here.
#include <unistd.h>

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

}  // namespace

void addJunkCommand(CLI::App& app, Action& action) {
    struct Options {
        bool json = false;
        bool quiet = false;
        std::string kinds;
    };
    auto opts = std::make_shared<Options>();
    auto* cmd =
        app.add_subcommand("junk",
                           "List system junk, application caches and logs, the Trash, installer "
                           "packages and browser caches (nothing is removed)");
    cmd->add_flag("--json", opts->json,
                  "Print one JSON object with every category, group and item");
    cmd->add_flag("-q,--quiet", opts->quiet, "No progress line on standard error");
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
            if (opts->json) printJson(categories, total, interrupted, manager.ruleError());
            else printText(categories, total);
            return interrupted ? kExitInterrupted : kExitOk;
        };
    });
}

const SubcommandRegistration kRegistration{80, addJunkCommand};

}  // namespace orvane::cli
