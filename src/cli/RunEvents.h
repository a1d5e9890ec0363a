#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::cli {

// The task steps of one command-line run, recorded as the window records them, so the history
// counts space reclaimed from a terminal too. Everything recorded is on disk when this goes.
class RunEvents {
public:
    explicit RunEvents(std::string_view module) : module_(module) {}
    ~RunEvents();
    RunEvents(const RunEvents&) = delete;
    RunEvents& operator=(const RunEvents&) = delete;

    void scanStarted(std::vector<std::string> labels);
    void scanEnded(std::uint64_t foundBytes, bool cancelled);
    void removeStarted(std::size_t selectedCount, std::uint64_t selectedBytes);
    void removeEnded(std::size_t removedCount, std::size_t failedCount, std::uint64_t removedBytes);

private:
    static double secondsSince(std::chrono::steady_clock::time_point start);

    std::string module_;
    std::chrono::steady_clock::time_point scanStart_{};
    std::chrono::steady_clock::time_point removeStart_{};
};

}  // namespace orvane::cli
