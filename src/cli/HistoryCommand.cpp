// `orvane history [--json] [--since DATE]`: what past removals reclaimed, read from the usage
// events this computer recorded; the same figures the History window draws.
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/Commands.h"
#include "core/analytics/CleaningHistory.h"
#include "kit/DateFormat.h"
#include "kit/SizeFormat.h"

namespace orvane::cli {

namespace {

using analytics::CleaningHistory;

std::string plural(std::uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

void printText(const CleaningHistory& history, const std::string& since) {
    std::printf("Cleaning history%s\n", since.empty() ? "" : (" since " + since).c_str());
    if (history.totalRuns() == 0) {
        std::printf("No removals recorded%s.\n", since.empty() ? " yet" : " in that time");
    } else {
        std::printf("Reclaimed %s: %s in %s.\n",
                    kit::transformedFileSize(history.totalBytes()).c_str(),
                    plural(history.totalFiles(), "file", "files").c_str(),
                    plural(history.totalRuns(), "removal", "removals").c_str());
    }
    const auto modules = history.totalsByModule();
    if (!modules.empty()) {
        std::printf("\nBy module:\n");
        for (const auto& m : modules) {
            std::printf(
                "  %-16s %10s  %-11s %-12s %s", CleaningHistory::displayName(m.module).c_str(),
                kit::transformedFileSize(m.bytes).c_str(), plural(m.files, "file", "files").c_str(),
                plural(m.runs, "removal", "removals").c_str(),
                plural(m.scans, "scan", "scans").c_str());
            if (m.failed) std::printf(", %s", plural(m.failed, "failure", "failures").c_str());
            std::printf("\n");
        }
    }
    const auto days = history.daily();
    if (!days.empty()) {
        std::printf("\nBy day:\n");
        for (const auto& d : days)
            std::printf("  %s  %-16s %10s  %s\n", d.day.c_str(),
                        CleaningHistory::displayName(d.module).c_str(),
                        kit::transformedFileSize(d.bytes).c_str(),
                        plural(d.files, "file", "files").c_str());
    }
    if (!history.lastRemovals().empty()) {
        std::printf("\nLast removals:\n");
        for (const auto& r : history.lastRemovals()) {
            std::printf("  %s  %-16s %10s  %s", kit::dateStr(r.time).c_str(),
                        CleaningHistory::displayName(r.module).c_str(),
                        kit::transformedFileSize(r.bytes).c_str(),
                        plural(r.removedCount, "file", "files").c_str());
            if (r.failedCount)
                std::printf(", %llu failed", static_cast<unsigned long long>(r.failedCount));
            std::printf("\n");
        }
    }
    if (history.badLines())
        std::printf("\n%s of the recorded history could not be read and %s skipped.\n",
                    plural(history.badLines(), "line", "lines").c_str(),
                    history.badLines() == 1 ? "was" : "were");
    for (const auto& file : history.unreadableFiles())
        std::fprintf(stderr, "orvane history: cannot read %s\n", file.c_str());
}

void printJson(const CleaningHistory& history, const std::string& since) {
    using nlohmann::json;
    json out;
    out["since"] = since.empty() ? json(nullptr) : json(since);
    out["totals"] = {{"bytes", history.totalBytes()},
                     {"files", history.totalFiles()},
                     {"removals", history.totalRuns()}};
    out["modules"] = json::array();
    for (const auto& m : history.totalsByModule())
        out["modules"].push_back({{"module", m.module},
                                  {"name", CleaningHistory::displayName(m.module)},
                                  {"bytes", m.bytes},
                                  {"files", m.files},
                                  {"failed", m.failed},
                                  {"removals", m.runs},
                                  {"scans", m.scans}});
    out["daily"] = json::array();
    for (const auto& d : history.daily())
        out["daily"].push_back(
            {{"day", d.day}, {"module", d.module}, {"bytes", d.bytes}, {"files", d.files}});
    out["lastRemovals"] = json::array();
    for (const auto& r : history.lastRemovals())
        out["lastRemovals"].push_back({{"time", r.time},
                                       {"date", kit::dateStr(r.time)},
                                       {"module", r.module},
                                       {"name", CleaningHistory::displayName(r.module)},
                                       {"removed", r.removedCount},
                                       {"failed", r.failedCount},
                                       {"bytes", r.bytes},
                                       {"seconds", r.seconds}});
    out["badLines"] = history.badLines();
    out["unreadableFiles"] = history.unreadableFiles();
    const std::string text = out.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

void addHistoryCommand(CLI::App& app, Action& action) {
    struct Options {
        bool json = false;
        std::string since;
    };
    auto opts = std::make_shared<Options>();
    auto* cmd = app.add_subcommand("history",
                                   "Show the space past removals reclaimed, by module and by day");
    cmd->add_flag("--json", opts->json, "Print one JSON object");
    cmd->add_option("--since", opts->since,
                    "Only removals from this local date on (YYYY-MM-DD[THH:MM])");
    cmd->callback([&action, opts] {
        action = [opts]() -> int {
            CleaningHistory::Options options;
            if (!opts->since.empty() && !CleaningHistory::parseDate(opts->since, options.since)) {
                std::fprintf(stderr,
                             "orvane history: --since takes a date such as 2026-12-01 or "
                             "2026-12-01T08:30\n");
                return kExitUsage;
            }
            const CleaningHistory history = CleaningHistory::readRecorded(options);
            if (opts->json) {
                printJson(history, opts->since);
            } else {
                printText(history, opts->since);
            }
            return kExitOk;
        };
    });
}

const SubcommandRegistration kRegistration{40, addHistoryCommand};

}  // namespace orvane::cli
