#pragma once

#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace orvane::files {

// An append-only record of everything removed, trashed or moved, one JSON object per line in
// the state folder ($XDG_STATE_HOME/com.orvane.app/removals.jsonl). Each line is written before
// the call that removes the item, so whatever happens next (a crash, a killed terminal, a full
// disk) a person can find out what went where. Safe to share between threads.
class RemovalJournal {
public:
    static std::string defaultPath();
    explicit RemovalJournal(std::string path = defaultPath());

    // `action` is "delete", "trash" or "move"; `destination` is empty for a deletion. False (and
    // `error` set) when the line could not be written: the caller then leaves the item alone.
    bool record(std::string_view action, const std::string& path, std::uint64_t size, mode_t mode,
                const std::string& destination, std::string* error = nullptr);

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::mutex mutex_;
};

}  // namespace orvane::files
