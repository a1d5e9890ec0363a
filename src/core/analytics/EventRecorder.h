#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/analytics/UsageEvent.h"

namespace orvane::kit {
class DispatchQueue;
}

namespace orvane::analytics {

// The user-defaults flag that keeps or stops recording; absent means recording is on.
inline constexpr std::string_view recordUsageEventsKey = "RecordUsageEvents";

// Appends usage events to a local JSON-lines file that never leaves the machine. record() only
// queues: the write happens on the recorder's own serial queue, so a screen never waits for the
// disk. The window and the command line may append to the same file at once; each write holds
// an advisory lock, so lines never interleave and only one process rotates.
class EventRecorder {
public:
    struct Options {
        // Empty: <state folder>/events.jsonl, looked up at each write so a changed HOME is
        // followed.
        std::string path;
        // When a write would take the file past this size, it becomes <name>.1 (older ones move
        // up to <name>.<keptFiles>, the oldest is dropped) and a new file starts.
        std::uint64_t rotateAtBytes = 4 * 1024 * 1024;
        int keptFiles = 3;
        // Asked at each event; empty means the user-defaults flag above.
        std::function<bool()> enabled;
    };

    static EventRecorder& shared();
    static std::string defaultPath();

    explicit EventRecorder(Options options);
    ~EventRecorder();  // writes what is still queued
    EventRecorder(const EventRecorder&) = delete;
    EventRecorder& operator=(const EventRecorder&) = delete;

    // Returns at once; a failed write is logged once and otherwise ignored.
    void record(UsageEvent event);
    // Waits until every event recorded so far is on disk (or has failed).
    void flush();

    bool isEnabled() const;
    std::string path() const;
    std::uint64_t failedWrites() const { return failedWrites_.load(); }

    // The files of a recorder at `path`, oldest first, that exist now.
    static std::vector<std::string> filesOldestFirst(const std::string& path, int keptFiles = 3);

private:
    void write(const std::string& line);
    void rotate(const std::string& path);

    Options options_;
    std::unique_ptr<kit::DispatchQueue> queue_;
    std::atomic<std::uint64_t> failedWrites_{0};
    bool failing_ = false;  // touched on the queue only
};

}  // namespace orvane::analytics
