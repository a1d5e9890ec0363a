#pragma once

#include <string>
#include <string_view>

namespace orvane::kit {

// Diagnostics only; nothing reads them back. Goes to the log folder of the application
// (see Paths.h) once initLogging() ran, to stderr before that when ORVANE_LOG_STDERR is set.
void initLogging(const std::string& logDirectory);
void log(std::string_view message, const char* function, const char* file, int line);

}  // namespace orvane::kit

#define ORVANE_LOG(msg) ::orvane::kit::log((msg), __func__, __FILE__, __LINE__)
