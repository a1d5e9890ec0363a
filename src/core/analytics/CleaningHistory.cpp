#include "core/analytics/CleaningHistory.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>

#include "core/analytics/EventLabels.h"
#include "core/analytics/EventNames.h"
#include "core/analytics/EventRecorder.h"
#include "core/analytics/UsageEvent.h"

namespace orvane::analytics {

CleaningHistory CleaningHistory::read(const std::vector<std::string>& files, Options options) {
    CleaningHistory history(options);
    for (const std::string& file : files) history.addFile(file);
    return history;
}

CleaningHistory CleaningHistory::readRecorded(Options options) {
    const EventRecorder& recorder = EventRecorder::shared();
    return read(EventRecorder::filesOldestFirst(recorder.path()), options);
}

void CleaningHistory::addFile(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rbe"), &std::fclose);
    if (!file) {
        unreadable_.push_back(path);
        return;
    }
    std::string line;
    bool overlong = false;
    char buffer[64 * 1024];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        std::string_view chunk(buffer, n);
        while (!chunk.empty()) {
            const std::size_t newline = chunk.find('\n');
            const std::string_view piece = chunk.substr(0, newline);
            if (!overlong) {
                if (line.size() + piece.size() > options_.maxLineBytes) {
                    overlong = true;
                    line.clear();
                    line.shrink_to_fit();
                } else {
                    line.append(piece);
                }
            }
            if (newline == std::string_view::npos) break;
            if (overlong) {
                ++badLines_;
            } else {
                addLine(line);
            }
            line.clear();
            overlong = false;
            chunk.remove_prefix(newline + 1);
        }
    }
    if (std::ferror(file.get())) unreadable_.push_back(path);
    // A last line without its newline is most likely a write still under way or cut short.
    if (overlong) {
        ++badLines_;
    } else if (!line.empty()) {
        addLine(line);
    }
}

void CleaningHistory::addLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos) return;
    const std::optional<UsageEvent> event = UsageEvent::fromJsonLine(line);
    if (!event) {
        ++badLines_;
        return;
    }
    ++events_;
    if (event->time < options_.since || event->category != category::process) return;

    if (event->action == action::scanEnd) {
        ModuleTotals& totals = modules_[event->module];
        totals.module = event->module;
        ++totals.scans;
        return;
    }
    if (event->action != action::removeEnd) return;

    RemovalRecord record;
    record.time = event->time;
    record.module = event->module;
    int counts = 0;
    bool sized = false, timed = false;
    for (const std::string& label : event->labels) {
        std::uint64_t number = 0;
        if (!sized && labels::parseMegabytes(label, record.bytes)) {
            sized = true;
        } else if (!timed && labels::parseElapsedTime(label, record.seconds)) {
            timed = true;
        } else if (counts < 2 && labels::parseCount(label, number)) {
            (counts++ == 0 ? record.removedCount : record.failedCount) = number;
        }
    }

    ModuleTotals& totals = modules_[record.module];
    totals.module = record.module;
    totals.bytes += record.bytes;
    totals.files += record.removedCount;
    totals.failed += record.failedCount;
    ++totals.runs;
    totalBytes_ += record.bytes;
    totalFiles_ += record.removedCount;
    ++totalRuns_;

    const std::string day = localDay(record.time);
    DailyTotal& daily = daily_[{day, record.module}];
    daily.day = day;
    daily.module = record.module;
    daily.bytes += record.bytes;
    daily.files += record.removedCount;

    const auto at =
        std::upper_bound(last_.begin(), last_.end(), record.time,
                         [](double time, const RemovalRecord& r) { return time > r.time; });
    if (static_cast<std::size_t>(at - last_.begin()) < options_.lastRemovals) {
        last_.insert(at, std::move(record));
        if (last_.size() > options_.lastRemovals) last_.pop_back();
    }
}

std::vector<ModuleTotals> CleaningHistory::totalsByModule() const {
    std::vector<ModuleTotals> totals;
    for (const auto& [name, value] : modules_) totals.push_back(value);
    std::stable_sort(
        totals.begin(), totals.end(),
        [](const ModuleTotals& a, const ModuleTotals& b) { return a.bytes > b.bytes; });
    return totals;
}

std::vector<DailyTotal> CleaningHistory::daily() const {
    std::vector<DailyTotal> days;
    for (const auto& [key, value] : daily_) days.push_back(value);
    return days;
}

std::string CleaningHistory::displayName(std::string_view module) {
    if (module == module::duplicateFile) return "Duplicate Files";
    if (module == module::bigfile || module == module::largeFile) return "Large Files";
    if (module == module::similar) return "Similar Photos";
    if (module == module::cleanup) return "Junk Files";
    if (module == module::appManage) return "App Management";
    if (module == module::fileRename || module == module::blank) return "AI File Renamer";
    return std::string(module);
}

std::string CleaningHistory::localDay(double time) {
    if (!std::isfinite(time) || std::fabs(time) > 1e14) return "unknown day";
    const std::time_t seconds = static_cast<std::time_t>(std::floor(time));
    std::tm local{};
    if (!localtime_r(&seconds, &local)) return "unknown day";
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday);
    return text;
}

bool CleaningHistory::parseDate(std::string_view text, double& time) {
    // Digits where the shape has 'd', the shape's own character elsewhere.
    auto matches = [&](std::string_view shape) {
        if (text.size() != shape.size()) return false;
        for (std::size_t i = 0; i < shape.size(); ++i) {
            const bool digit = text[i] >= '0' && text[i] <= '9';
            if (shape[i] == 'd' ? !digit
                                : (text[i] != shape[i] && !(shape[i] == 'T' && text[i] == ' ')))
                return false;
        }
        return true;
    };
    if (!matches("dddd-dd-dd") && !matches("dddd-dd-ddTdd:dd") && !matches("dddd-dd-ddTdd:dd:dd"))
        return false;
    auto number = [&](std::size_t at, std::size_t length) {
        int value = 0;
        for (std::size_t i = at; i < at + length && i < text.size(); ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const int hour = text.size() > 10 ? number(11, 2) : 0;
    const int minute = text.size() > 10 ? number(14, 2) : 0;
    const int second = text.size() > 16 ? number(17, 2) : 0;
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 59)
        return false;
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const std::time_t t = std::mktime(&local);
    // mktime folds 31 February into March; such a date was not a date.
    if (t == static_cast<std::time_t>(-1) || local.tm_mday != day || local.tm_mon != month - 1)
        return false;
    time = static_cast<double>(t);
    return true;
}

}  // namespace orvane::analytics
