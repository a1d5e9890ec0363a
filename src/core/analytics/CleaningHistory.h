#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::analytics {

// One finished removal run of one module, as its RemoveEnd event tells it.
struct RemovalRecord {
    double time = 0;
    std::string module;
    std::uint64_t removedCount = 0;
    std::uint64_t failedCount = 0;
    std::uint64_t bytes = 0;  // to 10 KB: the event stores megabytes with two decimals
    double seconds = 0;
};

struct ModuleTotals {
    std::string module;
    std::uint64_t bytes = 0;
    std::uint64_t files = 0;
    std::uint64_t failed = 0;
    std::uint64_t runs = 0;   // removal runs
    std::uint64_t scans = 0;  // finished or stopped scans
};

// Space reclaimed by one module on one local calendar day.
struct DailyTotal {
    std::string day;  // "2026-12-06"
    std::string module;
    std::uint64_t bytes = 0;
    std::uint64_t files = 0;
};

// What the recorded usage events say about past cleaning: space reclaimed per module and per
// day, the latest removal runs and the totals. Files are read as a stream, line by line, so a
// history of any size costs memory only for its figures; a line that is not an event (a torn
// write, garbage, an overlong line) is skipped and counted.
class CleaningHistory {
public:
    struct Options {
        double since = 0;               // events before this time (seconds since 1970) are left out
        std::size_t lastRemovals = 20;  // how many of the newest runs to keep in full
        std::size_t maxLineBytes = 64 * 1024;
    };

    CleaningHistory() = default;
    explicit CleaningHistory(Options options) : options_(options) {}

    // Reads the recorder's files (oldest first); a file that cannot be opened is named in
    // unreadableFiles() and the others are still read.
    static CleaningHistory read(const std::vector<std::string>& files, Options options);
    // The shared recorder's files.
    static CleaningHistory readRecorded(Options options);

    void addFile(const std::string& path);
    void addLine(std::string_view line);

    // Newest first.
    const std::vector<RemovalRecord>& lastRemovals() const { return last_; }
    // Modules with any removal or scan, most space first.
    std::vector<ModuleTotals> totalsByModule() const;
    // Oldest day first; one entry per day and module that removed something.
    std::vector<DailyTotal> daily() const;

    std::uint64_t totalBytes() const { return totalBytes_; }
    std::uint64_t totalFiles() const { return totalFiles_; }
    std::uint64_t totalRuns() const { return totalRuns_; }
    std::uint64_t eventCount() const { return events_; }
    std::uint64_t badLines() const { return badLines_; }
    const std::vector<std::string>& unreadableFiles() const { return unreadable_; }

    // English name of a module as the window and the command line show it ("DuplicateFile" →
    // "Duplicate Files"); an unknown name is shown as it stands.
    static std::string displayName(std::string_view module);
    // "YYYY-MM-DD" of a time in the local time zone.
    static std::string localDay(double time);
    // Parses "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM[:SS]" as local time; false for anything else.
    static bool parseDate(std::string_view text, double& time);

private:
    Options options_;
    std::vector<RemovalRecord> last_;  // newest first, at most options_.lastRemovals
    std::map<std::string, ModuleTotals> modules_;
    std::map<std::pair<std::string, std::string>, DailyTotal> daily_;
    std::uint64_t totalBytes_ = 0;
    std::uint64_t totalFiles_ = 0;
    std::uint64_t totalRuns_ = 0;
    std::uint64_t events_ = 0;
    std::uint64_t badLines_ = 0;
    std::vector<std::string> unreadable_;
};

}  // namespace orvane::analytics
