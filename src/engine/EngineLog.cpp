#include "engine/EngineLog.h"

#include <chrono>
#include <ctime>

namespace orvane::engine {

EngineLog& EngineLog::shared() {
    static EngineLog log;
    return log;
}

bool EngineLog::open(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "ae");
    if (!f) return false;
    std::lock_guard lock(mutex_);
    if (file_) std::fclose(file_);
    file_ = f;
    return true;
}

void EngineLog::write(std::string_view line) {
    std::lock_guard lock(mutex_);
    if (!file_) return;
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(file_, "%s %.*s\n", stamp, static_cast<int>(line.size()), line.data());
    std::fflush(file_);
}

}  // namespace orvane::engine
