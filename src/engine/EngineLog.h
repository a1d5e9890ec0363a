#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace orvane::engine {

// The engine's own diagnostics file: one time-stamped line per event, written from any thread.
class EngineLog {
public:
    static EngineLog& shared();

    bool open(const std::string& path);
    void write(std::string_view line);

private:
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
};

}  // namespace orvane::engine
