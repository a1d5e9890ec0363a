#include "kit/Log.h"

#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace orvane::kit {

namespace {
std::mutex gMutex;
std::shared_ptr<spdlog::logger> gLogger;

std::shared_ptr<spdlog::logger> logger() {
    std::lock_guard lock(gMutex);
    if (!gLogger) {
        if (std::getenv("ORVANE_LOG_STDERR")) {
            gLogger = spdlog::stderr_logger_mt("orvane-stderr");
        } else {
            gLogger = std::make_shared<spdlog::logger>("orvane-null");
        }
    }
    return gLogger;
}
}  // namespace

void initLogging(const std::string& logDirectory) {
    std::error_code ec;
    std::filesystem::create_directories(logDirectory, ec);
    std::lock_guard lock(gMutex);
    try {
        auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
            logDirectory + "/orvane.log", 5 * 1024 * 1024, 3);
        auto l = std::make_shared<spdlog::logger>("orvane", sink);
        l->set_pattern("%Y-%m-%d %H:%M:%S.%e [%t] %v");
        l->flush_on(spdlog::level::warn);
        gLogger = l;
    } catch (const spdlog::spdlog_ex&) {
        // An unwritable log folder must never stop the program; logs then go nowhere.
    }
}

void log(std::string_view message, const char* function, const char* file, int line) {
    const char* base = file;
    for (const char* p = file; *p; ++p)
        if (*p == '/') base = p + 1;
    logger()->info("{}:{} {} {}", base, line, function, message);
}

}  // namespace orvane::kit
